#include "MasterExchange.h"

#include "core/StrToIntOrZero.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QUrl>

namespace {

constexpr QByteArrayView kFinal = "\\final\\";
constexpr QByteArrayView kBasic = "\\basic\\";
constexpr QByteArrayView kSecure = "\\secure\\";
constexpr qsizetype kChallengeLength = 6;

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
    return QStringLiteral("%1 KB").arg(bytes / 1024);
}

// The text of an "\echo\" a master sends when it refuses a request.
QString echoOf(const QByteArray &reply)
{
    static constexpr QByteArrayView kEcho = "\\echo\\";
    const qsizetype at = reply.indexOf(kEcho);
    if (at < 0)
        return {};
    const qsizetype start = at + kEcho.size();
    qsizetype end = reply.indexOf('\\', start);
    if (end < 0)
        end = reply.size();
    return QString::fromLatin1(reply.mid(start, std::min<qsizetype>(end - start, 200))).trimmed();
}

} // namespace

MasterExchange::MasterExchange(QObject *parent)
    : QObject(parent)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &MasterExchange::timedOut);
}

MasterExchange::~MasterExchange()
{
    cancel();
}

bool MasterExchange::isWebEntry(const QString &entry)
{
    return entry.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || entry.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

void MasterExchange::fetchServerList(const QString &entry, const QString &gameType, int location)
{
    cancel();
    m_running = true;
    m_gameTypeMode = false;
    m_request = MasterList::listRequest(gameType, location);
    if (isWebEntry(entry))
        fetchWebList(entry);
    else
        connectToMaster(entry);
}

void MasterExchange::refreshGameTypes(const QString &entry)
{
    cancel();
    m_running = true;
    m_gameTypeMode = true;
    m_request = MasterList::gameTypeRequest();
    connectToMaster(entry);
}

bool MasterExchange::cancel()
{
    const bool wasRunning = m_running;
    closeTransfer();
    return wasRunning;
}

void MasterExchange::connectToMaster(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? entry : entry.left(colon);
    const qint32 port = colon < 0 ? 0 : strToIntOrZero(QStringView(entry).mid(colon + 1));
    if (host.trimmed().isEmpty() || port < 1 || port > 65535) {
        // Reported after the caller has set up for the transfer, like any other failure.
        QTimer::singleShot(0, this, [this, entry] {
            if (m_running && m_phase == Phase::Connecting)
                fail(QStringLiteral("'%1' is not a master server address (host:port).").arg(entry));
        });
        m_phase = Phase::Connecting;
        return;
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &MasterExchange::tcpConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &MasterExchange::tcpReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &MasterExchange::tcpDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &MasterExchange::tcpError);
    m_phase = Phase::Connecting;
    m_validated = false;
    m_buffer.clear();
    m_timeout.start(m_limits.idleTimeoutMs);
    m_socket->connectToHost(host.trimmed(), static_cast<quint16>(port));
}

void MasterExchange::tcpConnected()
{
    m_phase = Phase::Greeting;
    m_timeout.start(m_limits.greetingTimeoutMs);
    Q_EMIT connectedToMaster();
}

void MasterExchange::tcpReadyRead()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_limits.maxBytes) {
        fail(QStringLiteral("The master server sent more than %1; the transfer was stopped.")
                 .arg(sizeText(m_limits.maxBytes)));
        return;
    }
    if (m_phase == Phase::Greeting) {
        if (!takeGreeting())
            return;
        sendRequest();
        return;
    }
    if (m_phase == Phase::Receiving) {
        m_timeout.start(m_limits.idleTimeoutMs);
        if (replyComplete())
            finishReply();
    }
}

// The greeting is the first block the master sends. A "\basic\" greeting is
// waited for until its challenge is whole, since it may come in pieces.
bool MasterExchange::takeGreeting()
{
    if (m_buffer.startsWith(kBasic)) {
        const qsizetype at = m_buffer.indexOf(kSecure);
        const qsizetype challengeStart = at < 0 ? -1 : at + kSecure.size();
        const bool whole = at >= 0
            && (m_buffer.size() - challengeStart >= kChallengeLength
                || m_buffer.indexOf('\\', challengeStart) >= 0);
        if (!whole && m_buffer.size() < kBasic.size() + kSecure.size() + kChallengeLength + kFinal.size())
            return false;
    }
    const std::optional<QByteArray> challenge = MasterList::challengeOf(m_buffer);
    if (challenge) {
        // Today's masters answer only a client that answers their challenge.
        m_socket->write(MasterList::validateMessage(challenge->left(kChallengeLength)));
        m_validated = true;
    }
    m_buffer.clear();
    return true;
}

void MasterExchange::sendRequest()
{
    QByteArray request = m_request;
    if (m_validated)
        request += kFinal;
    m_socket->write(request);
    m_phase = Phase::Receiving;
    m_timeout.start(m_limits.idleTimeoutMs);
    Q_EMIT receivingData();
}

// The list is whole once "\final\" follows something. A lone "\final\" may
// be the tail of a greeting that came in two pieces; it counts only when
// the master closes after it.
bool MasterExchange::replyComplete() const
{
    const qsizetype at = m_buffer.indexOf(kFinal);
    if (at > 0)
        return true;
    return at == 0 && m_buffer.indexOf(kFinal, kFinal.size()) >= 0;
}

void MasterExchange::tcpDisconnected()
{
    if (!m_running || !m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (m_phase == Phase::Receiving && m_buffer.indexOf(kFinal) >= 0) {
        finishReply();
        return;
    }
    const QString echo = echoOf(m_buffer);
    if (!echo.isEmpty())
        fail(QStringLiteral("The master server refused the request: %1").arg(echo));
    else if (m_phase == Phase::Receiving)
        fail(QStringLiteral("The master server closed the connection before the list was complete."));
    else
        fail(QStringLiteral("The master server closed the connection without a greeting."));
}

void MasterExchange::tcpError()
{
    if (!m_running || !m_socket)
        return;
    // A close by the master is judged by what it sent before.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    fail(m_socket->errorString());
}

void MasterExchange::finishReply()
{
    const QByteArray reply = m_buffer;
    const bool gameTypes = m_gameTypeMode;
    // A refusal says why in an "\echo\" and ends like a list of no servers.
    const QString echo = echoOf(reply);
    if (!echo.isEmpty() && !reply.contains(gameTypes ? QByteArrayView("\\gametype\\") : QByteArrayView("\\ip\\"))) {
        fail(QStringLiteral("The master server refused the request: %1").arg(echo));
        return;
    }
    closeTransfer();
    if (gameTypes)
        Q_EMIT gameTypesReceived(MasterList::parseGameTypes(reply));
    else
        Q_EMIT serverListReceived(MasterList::parseServerList(reply));
}

void MasterExchange::fetchWebList(const QString &url)
{
    if (!m_web)
        m_web = new QNetworkAccessManager(this);
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(m_limits.idleTimeoutMs);
    m_buffer.clear();
    m_phase = Phase::Receiving;
    m_webReply = m_web->get(request);
    connect(m_webReply, &QNetworkReply::readyRead, this, &MasterExchange::webReadyRead);
    connect(m_webReply, &QNetworkReply::finished, this, &MasterExchange::webFinished);
}

void MasterExchange::webReadyRead()
{
    if (!m_webReply)
        return;
    m_buffer += m_webReply->readAll();
    if (m_buffer.size() > m_limits.maxBytes)
        fail(QStringLiteral("The server list is larger than %1; the transfer was stopped.")
                 .arg(sizeText(m_limits.maxBytes)));
}

void MasterExchange::webFinished()
{
    if (!m_webReply || !m_running)
        return;
    if (m_webReply->error() != QNetworkReply::NoError) {
        fail(m_webReply->errorString());
        return;
    }
    m_buffer += m_webReply->readAll();
    const QByteArray body = m_buffer;
    closeTransfer();
    Q_EMIT serverListReceived(MasterList::parseHttpList(body));
}

void MasterExchange::timedOut()
{
    if (m_phase == Phase::Greeting)
        fail(QStringLiteral("The master server sent no greeting."));
    else if (m_phase == Phase::Connecting)
        fail(QStringLiteral("The master server did not answer."));
    else
        fail(QStringLiteral("The master server stopped sending before the list was complete."));
}

void MasterExchange::fail(const QString &message)
{
    closeTransfer();
    Q_EMIT failed(message);
}

void MasterExchange::closeTransfer()
{
    m_timeout.stop();
    m_running = false;
    m_phase = Phase::Idle;
    if (m_socket) {
        QTcpSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    if (m_webReply) {
        QNetworkReply *reply = m_webReply;
        m_webReply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_buffer.clear();
}
