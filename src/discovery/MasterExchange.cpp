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
// Greetings are some thirty bytes; one that runs on is taken as it stands.
constexpr qsizetype kLongestGreeting = 1024;

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
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Greeting)
            answerGreeting();
    });
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
    const qsizetype before = m_buffer.size();
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_limits.maxBytes) {
        fail(QStringLiteral("The master server sent more than %1; the transfer was stopped.")
                 .arg(sizeText(m_limits.maxBytes)));
        return;
    }
    if (m_phase == Phase::Greeting) {
        switch (greetingState()) {
        case Greeting::Partial:
            return;
        case Greeting::Unended:
            m_settle.start(m_limits.greetingSettleMs);
            return;
        case Greeting::Whole:
            answerGreeting();
            return;
        }
    }
    // Everything from here on came after the request: the list is whole at
    // its "\final\".
    if (m_phase == Phase::Receiving) {
        m_timeout.start(m_limits.idleTimeoutMs);
        // Only the new bytes and a "\final\" they may complete are searched.
        if (m_buffer.indexOf(kFinal, std::max<qsizetype>(0, before - kFinal.size() + 1)) >= 0)
            finishReply();
    }
}

// The greeting is the first thing the master sends, and it may come in
// pieces. One that begins with "\basic\" is whole at its "\final\"; some
// masters never send one, so once its challenge is whole it is also taken
// when nothing more comes for a moment. Answering before its "\final\" came
// would let that "\final\" pass for the end of the list. A greeting of
// another form is taken as it first comes.
MasterExchange::Greeting MasterExchange::greetingState() const
{
    if (m_buffer.contains(kFinal) || m_buffer.size() > kLongestGreeting)
        return Greeting::Whole;
    if (m_buffer.size() <= kBasic.size())
        return kBasic.startsWith(m_buffer) ? Greeting::Partial : Greeting::Whole;
    if (!m_buffer.startsWith(kBasic))
        return Greeting::Whole;
    const qsizetype at = m_buffer.indexOf(kSecure);
    if (at < 0) {
        const QByteArrayView rest = QByteArrayView(m_buffer).sliced(kBasic.size());
        return rest.size() < kSecure.size() && kSecure.startsWith(rest) ? Greeting::Partial : Greeting::Unended;
    }
    const qsizetype challengeStart = at + kSecure.size();
    const bool challengeWhole = m_buffer.size() - challengeStart >= kChallengeLength
        || m_buffer.indexOf('\\', challengeStart) >= 0;
    return challengeWhole ? Greeting::Unended : Greeting::Partial;
}

// Answers the challenge, if any, and sends the request; what the master
// sends from now on is its answer.
void MasterExchange::answerGreeting()
{
    m_settle.stop();
    const qsizetype end = m_buffer.indexOf(kFinal);
    const std::optional<QByteArray> challenge = MasterList::challengeOf(end < 0 ? m_buffer : m_buffer.left(end));
    QByteArray request = m_request;
    if (challenge) {
        // Today's masters answer only a client that answers their challenge.
        m_socket->write(MasterList::validateMessage(challenge->left(kChallengeLength)));
        request += kFinal;
    }
    m_buffer.clear();
    m_socket->write(request);
    m_phase = Phase::Receiving;
    m_timeout.start(m_limits.idleTimeoutMs);
    Q_EMIT receivingData();
}

void MasterExchange::tcpDisconnected()
{
    if (!m_running || !m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (m_phase == Phase::Receiving && m_buffer.contains(kFinal)) {
        finishReply();
        return;
    }
    const QString echo = echoOf(m_buffer);
    if (!echo.isEmpty())
        fail(QStringLiteral("The master server refused the request: %1").arg(echo));
    else if (m_phase == Phase::Receiving && m_buffer.isEmpty())
        fail(QStringLiteral("The master server closed the connection without answering the request."));
    else if (m_phase == Phase::Receiving)
        fail(QStringLiteral("The master server closed the connection before the list was complete."));
    else if (m_buffer.isEmpty())
        fail(QStringLiteral("The master server closed the connection without a greeting."));
    else
        fail(QStringLiteral("The master server closed the connection before it was asked for the list."));
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
    // A greeting that could still have ended with "\final\" is answered as it stands.
    if (m_phase == Phase::Greeting && m_settle.isActive()) {
        answerGreeting();
        return;
    }
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
    m_settle.stop();
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
