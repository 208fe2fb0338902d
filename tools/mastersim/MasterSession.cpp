#include "MasterSession.h"

#include "ChunkFeeder.h"
#include "discovery/SecureValidate.h"

#include <QRandomGenerator>
#include <QTcpSocket>

namespace {

const QByteArray Final = QByteArrayLiteral("\\final\\");
const QByteArray ListKey = QByteArrayLiteral("\\list\\");
const QByteArray EchoRefusal =
    QByteArrayLiteral("\\echo\\333networks failed to validate your request. Use the correct authorization cipher!");

constexpr int ChallengeLength = 6;
constexpr int GarbageSize = 2048;
constexpr int SplitFinalDelayMs = 100;

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;

QByteArray randomChallenge()
{
    QByteArray challenge(ChallengeLength, 'A');
    for (char &letter : challenge)
        letter = char('A' + QRandomGenerator::global()->bounded(26));
    return challenge;
}

QByteArray valueOf(const MasterSession::Pairs &pairs, const QByteArray &key)
{
    for (const auto &[k, value] : pairs)
        if (k == key)
            return value;
    return {};
}

// The bytes between the cuts; cuts outside the bytes or out of order are passed over.
QList<QByteArray> piecesOf(const QByteArray &bytes, const QList<int> &cuts)
{
    QList<QByteArray> pieces;
    qsizetype from = 0;
    for (const int cut : cuts) {
        if (cut <= from || cut >= bytes.size())
            continue;
        pieces.append(bytes.mid(from, cut - from));
        from = cut;
    }
    pieces.append(bytes.mid(from));
    return pieces;
}

bool hasKey(const MasterSession::Pairs &pairs, const QByteArray &key)
{
    for (const auto &pair : pairs)
        if (pair.first == key)
            return true;
    return false;
}

} // namespace

MasterSession::MasterSession(QTcpSocket *socket, const SimulatedMasterConfig &config, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_config(config)
    , m_challenge(config.challenge.isEmpty() ? randomChallenge() : config.challenge)
{
    m_socket->setParent(this);
    m_idleTimer.setSingleShot(true);
    m_quietTimer.setSingleShot(true);
    connect(m_socket, &QTcpSocket::readyRead, this, &MasterSession::readInput);
    // Queued, so a close in the middle of handling input never pulls the state away underneath.
    connect(m_socket, &QTcpSocket::disconnected, this, &MasterSession::finish, Qt::QueuedConnection);
    connect(&m_idleTimer, &QTimer::timeout, m_socket, &QTcpSocket::disconnectFromHost);
    connect(&m_quietTimer, &QTimer::timeout, this, &MasterSession::takeQuietRequest);
}

MasterSession::~MasterSession() = default;

void MasterSession::start()
{
    if (m_config.misbehaviour == Misbehaviour::NoGreeting)
        return;
    QByteArray greeting = QByteArrayLiteral("\\basic\\\\secure\\") + m_challenge;
    if (m_config.greetingWithFinal)
        greeting += Final;
    if (m_config.idleTimeoutMs > 0)
        m_idleTimer.start(m_config.idleTimeoutMs);
    m_greeting = true;
    sendInPieces(greeting, m_config.greetingCuts, [this] {
        m_greeting = false;
        takeInput();
    });
}

// Writes the bytes cut as configured and then runs then; at once when there are no cuts.
void MasterSession::sendInPieces(const QByteArray &bytes, const QList<int> &cuts, const std::function<void()> &then)
{
    const QList<QByteArray> pieces = piecesOf(bytes, cuts);
    if (pieces.size() < 2) {
        m_socket->write(bytes);
        then();
        return;
    }
    auto next = [pieces, at = qsizetype(0)]() mutable { return at < pieces.size() ? pieces[at++] : QByteArray(); };
    auto *feeder = new ChunkFeeder(m_socket, next, std::max(1, m_config.segmentPauseMs));
    connect(feeder, &ChunkFeeder::finished, this, then);
    feeder->start();
}

void MasterSession::abort()
{
    m_socket->abort();
    finish();
}

MasterSession::Pairs MasterSession::pairsOf(const QByteArray &message)
{
    Pairs pairs;
    if (!message.startsWith('\\'))
        return pairs;
    const QByteArrayList parts = message.mid(1).split('\\');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.append({parts.at(i), parts.at(i + 1)});
    return pairs;
}

void MasterSession::readInput()
{
    const QByteArray data = m_socket->readAll();
    if (data.isEmpty() || m_finished)
        return;
    m_input += data;
    takeInput();
}

void MasterSession::takeInput()
{
    if (m_greeting || m_input.isEmpty() || m_finished)
        return;
    const bool listening = !m_replying && m_config.misbehaviour != Misbehaviour::NoGreeting;
    if (listening && m_config.idleTimeoutMs > 0)
        m_idleTimer.start(m_config.idleTimeoutMs);
    takeMessages(listening);
    // A master that does not validate also takes a request without \final\ once the client goes quiet.
    if (listening && !m_replying && !m_config.validating && m_input.contains(ListKey))
        m_quietTimer.start(m_config.quietMs);
    else
        m_quietTimer.stop();
}

// Records each complete message (ended by \final\) and, if handle, acts on it.
void MasterSession::takeMessages(bool handle)
{
    for (qsizetype end = m_input.indexOf(Final); end >= 0; end = m_input.indexOf(Final)) {
        const QByteArray message = m_input.left(end + Final.size());
        m_input.remove(0, message.size());
        Q_EMIT requestReceived(message);
        if (handle && !m_replying)
            handleMessage(message);
    }
}

void MasterSession::takeQuietRequest()
{
    if (m_replying || m_finished || !m_input.contains(ListKey))
        return;
    const QByteArray message = m_input;
    m_input.clear();
    Q_EMIT requestReceived(message);
    handleMessage(message);
}

// A validating master needs a correct \validate\ before (or with) the \list\ request.
void MasterSession::handleMessage(const QByteArray &message)
{
    const Pairs pairs = pairsOf(message);
    if (m_config.validating && hasKey(pairs, "validate")) {
        if (valueOf(pairs, "validate") != SecureValidate::response(m_challenge)) {
            refuse();
            return;
        }
        m_validated = true;
    }
    qsizetype list = 0;
    while (list < pairs.size() && pairs.at(list).first != "list")
        ++list;
    if (list == pairs.size())
        return;
    if (m_config.validating && !m_validated)
        refuse();
    else
        answer(pairs.mid(list));
}

void MasterSession::answer(const Pairs &request)
{
    m_replying = true;
    m_idleTimer.stop();
    m_quietTimer.stop();
    Q_EMIT answered();
    sendReply(valueOf(request, "list") == "info" ? gameTypeEntries() : serverEntries(request));
}

void MasterSession::Entries::append(const QByteArray &entry)
{
    starts.append(text.size());
    text += entry;
}

QByteArray MasterSession::Entries::firstHalf() const
{
    return text.left(starts.size() < 2 ? 0 : starts.at(starts.size() / 2));
}

// The listed servers, then distinct synthetic ones up to the configured list length.
MasterSession::Entries MasterSession::serverEntries(const Pairs &request) const
{
    const QString gameType = QString::fromLatin1(valueOf(request, "gametype"));
    const int location = valueOf(request, "location").toInt();
    const auto listed = [&](const ListedServer &server) {
        if (m_config.honourFilters && !gameType.isEmpty()
            && server.gameType.compare(gameType, Qt::CaseInsensitive) != 0)
            return false;
        return !(m_config.honourFilters && location != 0 && server.location != location);
    };
    Entries entries;
    for (const ListedServer &server : m_config.servers)
        if (listed(server))
            entries.append(server.masterEntry());
    for (qsizetype i = 0; i < qsizetype(m_config.listLength) - m_config.servers.size(); ++i) {
        const ListedServer server = syntheticServer(quint32(i));
        if (listed(server))
            entries.append(server.masterEntry());
    }
    return entries;
}

MasterSession::Entries MasterSession::gameTypeEntries() const
{
    Entries entries;
    for (const QString &type : distinctGameTypes(m_config.servers))
        entries.append(QByteArrayLiteral("\\gametype\\") + type.toLatin1());
    return entries;
}

void MasterSession::refuse()
{
    m_replying = true;
    m_idleTimer.stop();
    m_quietTimer.stop();
    Q_EMIT refused();
    if (m_config.refusal == SimulatedMasterConfig::Refusal::Echo)
        m_socket->write(EchoRefusal + Final);
    m_socket->disconnectFromHost();
}

void MasterSession::sendReply(const Entries &entries)
{
    switch (m_config.misbehaviour) {
    case Misbehaviour::None:
    case Misbehaviour::NoGreeting:
        sendInPieces(entries.text + Final, m_config.replyCuts, [this] { m_socket->disconnectFromHost(); });
        return;
    case Misbehaviour::CloseBeforeFinal:
        m_socket->write(entries.firstHalf());
        m_socket->disconnectFromHost();
        return;
    case Misbehaviour::NeverClose:
        m_socket->write(entries.text + Final);
        return;
    case Misbehaviour::Endless:
        sendEndless();
        return;
    case Misbehaviour::Garbage:
        sendGarbage();
        return;
    case Misbehaviour::SplitFinal:
        sendSplitFinal(entries.text);
        return;
    }
}

// Distinct loopback addresses, 64 KB at a time, for as long as the client reads.
void MasterSession::sendEndless()
{
    auto *feeder = new ChunkFeeder(m_socket, [next = quint32(0)]() mutable {
        QByteArray chunk;
        chunk.reserve(ChunkFeeder::ChunkSize + 64);
        while (chunk.size() < ChunkFeeder::ChunkSize)
            chunk += syntheticServer(next++).masterEntry();
        return chunk;
    });
    feeder->start();
}

void MasterSession::sendGarbage()
{
    QByteArray garbage(GarbageSize, '\0');
    for (char &byte : garbage)
        byte = char(QRandomGenerator::global()->bounded(256));
    m_socket->write(garbage + Final);
    m_socket->disconnectFromHost();
}

// Sent without delay so the two halves of \final\ leave as separate segments.
void MasterSession::sendSplitFinal(const QByteArray &body)
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->write(body + Final.left(4));
    QTimer::singleShot(SplitFinalDelayMs, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_socket->write(Final.mid(4));
        m_socket->disconnectFromHost();
    });
}

void MasterSession::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_idleTimer.stop();
    m_quietTimer.stop();
    m_input += m_socket->readAll();
    takeMessages(false);
    if (!m_input.isEmpty())
        Q_EMIT requestReceived(std::exchange(m_input, {}));
    Q_EMIT finished();
    deleteLater();
}
