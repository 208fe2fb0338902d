#include "PageFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace Stats {

namespace {

const QByteArray kUserAgent = QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)");
const QByteArray kAccept = QByteArrayLiteral("text/html, */*");

} // namespace

PageFetcher::PageFetcher(QObject *parent)
    : QObject(parent)
{
    connect(&m_transfer, &CappedTransfer::progress, this, &PageFetcher::progress);
    connect(&m_transfer, &CappedTransfer::headersReceived, this, &PageFetcher::showStatus);
    connect(&m_transfer, &CappedTransfer::done, this, &PageFetcher::transferDone);
    connect(&m_transfer, &CappedTransfer::failed, this,
            [this](CappedTransfer::Failure failure, const QString &errorText) {
                fail(failureMessage(failure, errorText));
            });
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
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    m_address = pageUrl(host, path);
    const QUrl url(m_address, QUrl::StrictMode);
    QNetworkRequest request(url);
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("User-Agent", kUserAgent);
    if (!m_acceptCharset.isEmpty())
        request.setRawHeader("Accept-Charset", m_acceptCharset);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    m_transfer.setLimits({m_limits.maxBytes, m_limits.idleTimeoutMs, 0});
    m_transfer.get(*m_network, request);
    // An address the transfer refuses fails later without having started.
    if (!url.isValid() || url.host().isEmpty())
        return;
    Q_EMIT started(m_address);
    Q_EMIT statusChanged(QStringLiteral("Connecting"));
}

void PageFetcher::abort()
{
    if (isBusy())
        fail(QStringLiteral("The transfer was cancelled."));
}

void PageFetcher::drop()
{
    m_transfer.cancel();
}

void PageFetcher::showStatus()
{
    const QNetworkReply *reply = m_transfer.reply();
    const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status > 0)
        Q_EMIT statusChanged(QStringLiteral("%1 %2").arg(status).arg(reason).trimmed());
}

void PageFetcher::transferDone()
{
    const QByteArray body = m_transfer.buffer();
    const QByteArray contentType = m_transfer.reply()->rawHeader("Content-Type");
    drop();
    Q_EMIT statusChanged(QStringLiteral("Done"));
    Q_EMIT finished(body, contentType);
}

QString PageFetcher::failureMessage(CappedTransfer::Failure failure, const QString &errorText) const
{
    using Failure = CappedTransfer::Failure;
    switch (failure) {
    case Failure::TooLarge:
        return QStringLiteral("The page is larger than %1 KB; the transfer was stopped.").arg(m_limits.maxBytes / 1024);
    case Failure::Idle:
        return QStringLiteral("The statistics server stopped sending; the transfer was stopped after %1 s.")
            .arg(m_limits.idleTimeoutMs / 1000);
    case Failure::BadAddress: return QStringLiteral("\"%1\" is not a valid address.").arg(m_address);
    case Failure::TotalTime:
    case Failure::PeerClosed:
    case Failure::NetworkError: break;
    }
    return errorText;
}

void PageFetcher::fail(const QString &message)
{
    drop();
    Q_EMIT statusChanged(QStringLiteral("Failed"));
    Q_EMIT failed(message);
}

} // namespace Stats
