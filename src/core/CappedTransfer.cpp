#include "CappedTransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QUrl>

#include <utility>

CappedTransfer::CappedTransfer(QObject *parent)
    : QObject(parent)
{
    m_idle.setSingleShot(true);
    connect(&m_idle, &QTimer::timeout, this, [this] { end(Failure::Idle); });
    m_total.setSingleShot(true);
    connect(&m_total, &QTimer::timeout, this, [this] { end(Failure::TotalTime); });
}

CappedTransfer::~CappedTransfer()
{
    cancel();
}

void CappedTransfer::connectToHost(const QString &host, int port)
{
    begin();
    if (host.trimmed().isEmpty() || port < 1 || port > 65535) {
        end(Failure::BadAddress);
        return;
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        touch();
        Q_EMIT connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &CappedTransfer::readAvailable);
    connect(m_socket, &QTcpSocket::disconnected, this, &CappedTransfer::socketClosed);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &CappedTransfer::socketError);
    m_socket->connectToHost(host, static_cast<quint16>(port));
}

void CappedTransfer::get(QNetworkAccessManager &network, const QNetworkRequest &request)
{
    begin();
    // Nothing is sent for such a URL: a proxy would be asked for it.
    if (!request.url().isValid() || request.url().host().isEmpty()) {
        end(Failure::BadAddress);
        return;
    }
    m_reply = network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &CappedTransfer::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &CappedTransfer::replyFinished);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        touch();
        Q_EMIT headersReceived();
    });
    connect(m_reply, &QNetworkReply::redirected, this, &CappedTransfer::touch);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        touch();
        Q_EMIT progress(received, total);
    });
}

qint64 CappedTransfer::write(const QByteArray &data)
{
    if (m_state != State::Running || !m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    return m_socket->write(data);
}

QNetworkReply *CappedTransfer::reply() const
{
    return m_reply;
}

void CappedTransfer::setIdleTimeout(int milliseconds)
{
    m_idleTimeoutMs = milliseconds;
    touch();
}

void CappedTransfer::finish()
{
    end(std::nullopt);
}

void CappedTransfer::fail(Failure failure)
{
    end(failure);
}

void CappedTransfer::cancel()
{
    ++m_run;
    m_state = State::Idle;
    m_idle.stop();
    m_total.stop();
    release();
    m_buffer.clear();
}

void CappedTransfer::begin()
{
    cancel();
    m_state = State::Running;
    m_idleTimeoutMs = m_limits.idleTimeoutMs;
    touch();
    if (m_limits.totalTimeoutMs > 0)
        m_total.start(m_limits.totalTimeoutMs);
}

void CappedTransfer::readAvailable()
{
    const qsizetype before = m_buffer.size();
    if (!take())
        return;
    touch();
    if (m_buffer.size() > before)
        Q_EMIT bytesArrived(m_buffer.size() - before);
}

void CappedTransfer::socketClosed()
{
    if (!take())
        return;
    const quint64 run = m_run;
    const QPointer<CappedTransfer> self(this);
    Q_EMIT peerClosed();
    if (self && m_run == run)
        end(Failure::PeerClosed);
}

void CappedTransfer::socketError()
{
    // A close by the peer is the reader's to judge when the socket reports it.
    if (m_socket->error() != QAbstractSocket::RemoteHostClosedError)
        end(Failure::NetworkError);
}

void CappedTransfer::replyFinished()
{
    if (m_reply->error() != QNetworkReply::NoError)
        end(Failure::NetworkError);
    else if (take())
        end(std::nullopt);
}

bool CappedTransfer::take()
{
    m_buffer += device()->readAll();
    if (m_limits.maxBytes > 0 && m_buffer.size() > m_limits.maxBytes) {
        end(Failure::TooLarge);
        return false;
    }
    return true;
}

void CappedTransfer::touch()
{
    if (m_state == State::Running && m_idleTimeoutMs > 0)
        m_idle.start(m_idleTimeoutMs);
    else
        m_idle.stop();
}

// The connection stops at once; the signal waits for the event loop, and
// the reply with it, so that its headers can still be read.
void CappedTransfer::end(std::optional<Failure> failure)
{
    if (m_state != State::Running)
        return;
    m_state = State::Ending;
    m_idle.stop();
    m_total.stop();
    // A socket may forget its error as it closes; a reply stopped here
    // only then says why.
    QString errorText = failure && m_socket ? m_socket->errorString() : QString();
    silence();
    if (failure && m_reply)
        errorText = m_reply->errorString();
    const quint64 run = m_run;
    QMetaObject::invokeMethod(
        this, [this, run, failure, errorText] { deliver(run, failure, errorText); }, Qt::QueuedConnection);
}

void CappedTransfer::deliver(quint64 run, std::optional<Failure> failure, const QString &errorText)
{
    if (run != m_run || m_state != State::Ending)
        return;
    m_state = State::Idle;
    const QPointer<CappedTransfer> self(this);
    if (failure)
        Q_EMIT failed(*failure, errorText);
    else
        Q_EMIT done();
    // Unless the handler cancelled this transfer or started another.
    if (self && m_run == run)
        release();
}

QIODevice *CappedTransfer::device() const
{
    if (m_socket)
        return m_socket;
    return m_reply;
}

void CappedTransfer::silence()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void CappedTransfer::release()
{
    silence();
    if (m_socket)
        std::exchange(m_socket, nullptr)->deleteLater();
    if (m_reply)
        m_reply.data()->deleteLater();
    m_reply = nullptr;
}
