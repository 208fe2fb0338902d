#include "MasterSession.h"

#include "ChunkFeeder.h"
#include "discovery/SecureValidate.h"

#include <QRandomGenerator>
#include <QTcpSocket>

#include <algorithm>
#include <utility>

namespace {

const QByteArray kFinal = QByteArrayLiteral("\\final\\");
const QByteArray kListKey = QByteArrayLiteral("\\list\\");
const QByteArray kEchoRefusal =
    QByteArrayLiteral("\\echo\\333networks failed to validate your request. Use the correct authorization cipher!");

constexpr int kChallengeLength = 6;
constexpr int kGarbageSize = 2048;
constexpr int kSplitFinalDelayMs = 100;

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;

QByteArray randomChallenge()
{
    QByteArray challenge(kChallengeLength, 'A');
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
        greeting += kFinal;
    if (m_config.idleTimeoutMs > 0)
        m_idleTimer.start(m_config.idleTimeoutMs);
    m_greeting = true;
    sendCut(greeting, m_config.greetingCuts, [this] {
        m_greeting = false;
        takeInput();
    });
}

// Writes the bytes cut as configured and then runs then; at once when there are no cuts.
void MasterSession::sendCut(const QByteArray &bytes, const QList<qsizetype> &cuts, const std::function<void()> &then)
{
    ChunkFeeder::sendCut(m_socket, bytes, cuts, std::max(1, m_config.segmentPauseMs), then);
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
    if (listening && !m_replying && !m_config.validating && m_input.contains(kListKey))
        m_quietTimer.start(m_config.quietMs);
    else
        m_quietTimer.stop();
}

// Records each complete message (ended by \final\) and, if handle, acts on it.
void MasterSession::takeMessages(bool handle)
{
    for (qsizetype end = m_input.indexOf(kFinal); end >= 0; end = m_input.indexOf(kFinal)) {
        const QByteArray message = m_input.left(end + kFinal.size());
        m_input.remove(0, message.size());
        Q_EMIT requestReceived(message);
        if (handle && !m_replying)
            handleMessage(message);
    }
}

void MasterSession::takeQuietRequest()
{
    if (m_replying || m_finished || !m_input.contains(kListKey))
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
        m_socket->write(kEchoRefusal + kFinal);
    m_socket->disconnectFromHost();
}

void MasterSession::sendReply(const Entries &entries)
{
    switch (m_config.misbehaviour) {
    case Misbehaviour::None:
    case Misbehaviour::NoGreeting:
        sendCut(entries.text + kFinal, m_config.replyCuts, [this] { m_socket->disconnectFromHost(); });
        return;
    case Misbehaviour::CloseBeforeFinal:
        m_socket->write(entries.firstHalf());
        m_socket->disconnectFromHost();
        return;
    case Misbehaviour::NeverClose: m_socket->write(entries.text + kFinal); return;
    case Misbehaviour::Endless: sendEndless(); return;
    case Misbehaviour::Garbage: sendGarbage(); return;
    case Misbehaviour::SplitFinal: sendSplitFinal(entries.text); return;
    }
}

// Distinct loopback addresses, 64 KB at a time, for as long as the client reads.
void MasterSession::sendEndless()
{
    auto *feeder = new ChunkFeeder(m_socket, [next = quint32(0)]() mutable {
        QByteArray chunk;
        chunk.reserve(ChunkFeeder::kChunkSize + 64);
        while (chunk.size() < ChunkFeeder::kChunkSize)
            chunk += syntheticServer(next++).masterEntry();
        return chunk;
    });
    feeder->start();
}

void MasterSession::sendGarbage()
{
    QByteArray garbage(kGarbageSize, '\0');
    for (char &byte : garbage)
        byte = char(QRandomGenerator::global()->bounded(256));
    m_socket->write(garbage + kFinal);
    m_socket->disconnectFromHost();
}

// Sent without delay so the two halves of \final\ leave as separate segments.
void MasterSession::sendSplitFinal(const QByteArray &body)
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->write(body + kFinal.left(4));
    QTimer::singleShot(kSplitFinalDelayMs, this, [this] {
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            return;
        m_socket->write(kFinal.mid(4));
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
