#include "PageFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace Stats {

namespace {

const QByteArray UserAgent = QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)");
const QByteArray Accept = QByteArrayLiteral("text/html, */*");

} // namespace

PageFetcher::PageFetcher(QObject *parent)
    : QObject(parent)
{
    m_refusal.setSingleShot(true);
    m_refusal.setInterval(0);
    connect(&m_refusal, &QTimer::timeout, this, [this] { fail(m_refusalMessage); });
}

PageFetcher::~PageFetcher()
{
    drop();
}

QString PageFetcher::pageUrl(const QString &host, const QString &path)
{
    return QStringLiteral("http://") + host + path;
}

void PageFetcher::get(const QString &host, const QString &path)
{
    drop();
    const QString address = pageUrl(host, path);
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        m_refusalMessage = QStringLiteral("\"%1\" is not a valid address.").arg(address);
        m_refusal.start();
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setRawHeader("Accept", Accept);
    request.setRawHeader("User-Agent", UserAgent);
    if (!m_acceptCharset.isEmpty())
        request.setRawHeader("Accept-Charset", m_acceptCharset);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setTransferTimeout(m_limits.idleTimeoutMs);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageFetcher::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &PageFetcher::replyFinished);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        Q_EMIT progress(received, total);
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QString reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status > 0)
            Q_EMIT statusChanged(QStringLiteral("%1 %2").arg(status).arg(reason).trimmed());
    });
    Q_EMIT started(address);
    Q_EMIT statusChanged(QStringLiteral("Connecting"));
}

void PageFetcher::abort()
{
    if (isBusy())
        fail(QStringLiteral("The transfer was cancelled."));
}

void PageFetcher::drop()
{
    close();
}

void PageFetcher::readAvailable()
{
    if (!m_reply)
        return;
    m_body += m_reply->readAll();
    if (m_body.size() > m_limits.maxBytes)
        fail(QStringLiteral("The page is larger than %1 KB; the transfer was stopped.")
                 .arg(m_limits.maxBytes / 1024));
}

void PageFetcher::replyFinished()
{
    if (!m_reply)
        return;
    if (m_reply->error() == QNetworkReply::OperationCanceledError) {
        // Qt reports its transfer timeout as a cancellation.
        fail(QStringLiteral("The statistics server stopped sending; the transfer was stopped after %1 s.")
                 .arg(m_limits.idleTimeoutMs / 1000));
        return;
    }
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(m_reply->errorString());
        return;
    }
    readAvailable();
    if (!m_reply)
        return;
    const QByteArray body = m_body;
    const QByteArray contentType = m_reply->rawHeader("Content-Type");
    close();
    Q_EMIT statusChanged(QStringLiteral("Done"));
    Q_EMIT finished(body, contentType);
}

void PageFetcher::fail(const QString &message)
{
    close();
    Q_EMIT statusChanged(QStringLiteral("Failed"));
    Q_EMIT failed(message);
}

void PageFetcher::close()
{
    m_refusal.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_body.clear();
}

} // namespace Stats
