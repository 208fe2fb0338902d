#include "MasterExchange.h"

#include "core/StrToIntOrZero.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
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
    m_greetingTimeout.setSingleShot(true);
    connect(&m_greetingTimeout, &QTimer::timeout, this, &MasterExchange::greetingTimedOut);
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (m_phase == Phase::Greeting && !m_transfer.isEnding())
            answerGreeting();
    });
    setLimits({});
    connect(&m_transfer, &CappedTransfer::connected, this, &MasterExchange::masterConnected);
    connect(&m_transfer, &CappedTransfer::bytesArrived, this, &MasterExchange::bytesArrived);
    connect(&m_transfer, &CappedTransfer::peerClosed, this, &MasterExchange::masterClosed);
    connect(&m_transfer, &CappedTransfer::done, this, &MasterExchange::transferDone);
    connect(&m_transfer, &CappedTransfer::failed, this, &MasterExchange::transferFailed);
}

MasterExchange::~MasterExchange()
{
    cancel();
}

void MasterExchange::setLimits(const Limits &limits)
{
    m_limits = limits;
    // The greeting has a deadline of its own; the idle limit holds before and after it.
    m_transfer.setLimits({limits.maxBytes, limits.idleTimeoutMs, 0});
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
    m_entry = entry;
    m_phase = Phase::Connecting;
    m_transfer.connectToHost(host.trimmed(), port);
}

void MasterExchange::masterConnected()
{
    m_phase = Phase::Greeting;
    // Until it is answered, the greeting's deadline stands for the idle limit.
    m_transfer.setIdleTimeout(0);
    m_greetingTimeout.start(m_limits.greetingTimeoutMs);
    Q_EMIT connectedToMaster();
}

void MasterExchange::bytesArrived(qsizetype count)
{
    if (m_phase == Phase::Greeting) {
        switch (greetingState()) {
        case Greeting::Partial: return;
        case Greeting::Unended: m_settle.start(m_limits.greetingSettleMs); return;
        case Greeting::Whole: answerGreeting(); return;
        }
    }
    // Everything from here on came after the request: the list is whole at
    // its "\final\".
    if (m_phase == Phase::Receiving) {
        const QByteArray &reply = m_transfer.buffer();
        const qsizetype before = reply.size() - count;
        // Only the new bytes and a "\final\" they may complete are searched.
        if (reply.indexOf(kFinal, std::max<qsizetype>(0, before - kFinal.size() + 1)) >= 0)
            m_transfer.finish();
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
    const QByteArray &greeting = m_transfer.buffer();
    if (greeting.contains(kFinal) || greeting.size() > kLongestGreeting)
        return Greeting::Whole;
    if (greeting.size() <= kBasic.size())
        return kBasic.startsWith(greeting) ? Greeting::Partial : Greeting::Whole;
    if (!greeting.startsWith(kBasic))
        return Greeting::Whole;
    const qsizetype at = greeting.indexOf(kSecure);
    if (at < 0) {
        const QByteArrayView rest = QByteArrayView(greeting).sliced(kBasic.size());
        return rest.size() < kSecure.size() && kSecure.startsWith(rest) ? Greeting::Partial : Greeting::Unended;
    }
    const qsizetype challengeStart = at + kSecure.size();
    const bool challengeWhole =
        greeting.size() - challengeStart >= kChallengeLength || greeting.indexOf('\\', challengeStart) >= 0;
    return challengeWhole ? Greeting::Unended : Greeting::Partial;
}

// Answers the challenge, if any, and sends the request; what the master
// sends from now on is its answer.
void MasterExchange::answerGreeting()
{
    m_settle.stop();
    m_greetingTimeout.stop();
    const QByteArray &greeting = m_transfer.buffer();
    const qsizetype end = greeting.indexOf(kFinal);
    const std::optional<QByteArray> challenge = MasterList::challengeOf(end < 0 ? greeting : greeting.left(end));
    QByteArray request = m_request;
    if (challenge) {
        // Today's masters answer only a client that answers their challenge.
        m_transfer.write(MasterList::validateMessage(challenge->left(kChallengeLength)));
        request += kFinal;
    }
    m_transfer.clearBuffer();
    m_transfer.write(request);
    m_phase = Phase::Receiving;
    m_transfer.setIdleTimeout(m_limits.idleTimeoutMs);
    Q_EMIT receivingData();
}

void MasterExchange::greetingTimedOut()
{
    if (m_phase != Phase::Greeting || m_transfer.isEnding())
        return;
    // A greeting that could still have ended with "\final\" is answered as it stands.
    if (m_settle.isActive())
        answerGreeting();
    else
        m_transfer.fail(CappedTransfer::Failure::Idle);
}

// A master that closes is judged by what it sent before.
void MasterExchange::masterClosed()
{
    if (m_phase == Phase::Receiving && m_transfer.buffer().contains(kFinal))
        m_transfer.finish();
}

void MasterExchange::transferDone()
{
    const QByteArray reply = m_transfer.buffer();
    if (m_phase == Phase::WebList) {
        closeTransfer();
        Q_EMIT serverListReceived(MasterList::parseHttpList(reply));
        return;
    }
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

void MasterExchange::transferFailed(CappedTransfer::Failure failure, const QString &errorText)
{
    fail(failureMessage(failure, errorText));
}

QString MasterExchange::failureMessage(CappedTransfer::Failure failure, const QString &errorText) const
{
    using Failure = CappedTransfer::Failure;
    const bool web = m_phase == Phase::WebList;
    switch (failure) {
    case Failure::TooLarge:
        return (web ? QStringLiteral("The server list is larger than %1; the transfer was stopped.")
                    : QStringLiteral("The master server sent more than %1; the transfer was stopped."))
            .arg(sizeText(m_limits.maxBytes));
    case Failure::BadAddress:
        // In the words the network layer has for an address without a host.
        if (web)
            return QStringLiteral("Host %1 not found").arg(QUrl(m_entry).host());
        return QStringLiteral("'%1' is not a master server address (host:port).").arg(m_entry);
    case Failure::Idle:
        if (m_phase == Phase::Connecting)
            return QStringLiteral("The master server did not answer.");
        if (m_phase == Phase::Greeting)
            return QStringLiteral("The master server sent no greeting.");
        if (m_phase == Phase::Receiving)
            return QStringLiteral("The master server stopped sending before the list was complete.");
        return errorText;
    case Failure::PeerClosed: return closeMessage();
    case Failure::TotalTime:
    case Failure::NetworkError: return errorText;
    }
    return errorText;
}

QString MasterExchange::closeMessage() const
{
    const QByteArray &reply = m_transfer.buffer();
    const QString echo = echoOf(reply);
    if (!echo.isEmpty())
        return QStringLiteral("The master server refused the request: %1").arg(echo);
    if (m_phase == Phase::Receiving && reply.isEmpty())
        return QStringLiteral("The master server closed the connection without answering the request.");
    if (m_phase == Phase::Receiving)
        return QStringLiteral("The master server closed the connection before the list was complete.");
    if (reply.isEmpty())
        return QStringLiteral("The master server closed the connection without a greeting.");
    return QStringLiteral("The master server closed the connection before it was asked for the list.");
}

void MasterExchange::fetchWebList(const QString &url)
{
    if (!m_web)
        m_web = new QNetworkAccessManager(this);
    m_entry = url;
    m_phase = Phase::WebList;
    m_transfer.get(*m_web, QNetworkRequest(QUrl(url)));
}

void MasterExchange::fail(const QString &message)
{
    closeTransfer();
    Q_EMIT failed(message);
}

void MasterExchange::closeTransfer()
{
    m_transfer.cancel();
    m_greetingTimeout.stop();
    m_settle.stop();
    m_running = false;
    m_phase = Phase::Idle;
}
