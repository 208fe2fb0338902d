#include "ServerHealth.h"

#include <QStringList>

#include <algorithm>

namespace {

// The game numbers the queries it answers from 1 to 100 and starts over,
// and every packet of a reply carries "\queryid\<query>.<packet>".
constexpr int kQueryIdLimit = 100;
constexpr QByteArrayView kQueryIdMarker = "\\queryid\\";
constexpr QByteArrayView kFinalMarker = "\\final\\";

int nextQueryId(int id)
{
    return id % kQueryIdLimit + 1;
}

// The query and packet numbers of a reply packet; false when it has none.
bool readQueryId(const QByteArray &datagram, int &queryId, int &packet)
{
    const qsizetype at = datagram.indexOf(kQueryIdMarker);
    if (at < 0)
        return false;
    const qsizetype begin = at + kQueryIdMarker.size();
    qsizetype end = datagram.indexOf('\\', begin);
    if (end < 0)
        end = datagram.size();
    const QByteArray value = datagram.mid(begin, end - begin);
    const qsizetype dot = value.indexOf('.');
    if (dot < 0)
        return false;
    bool queryOk = false;
    bool packetOk = false;
    queryId = value.left(dot).toInt(&queryOk);
    packet = value.mid(dot + 1).toInt(&packetOk);
    return queryOk && packetOk && queryId > 0 && packet > 0;
}

// True when the packet holds nothing but its query id and "\final\", as
// the reply to an empty player list does.
bool isBare(const QByteArray &datagram)
{
    QByteArray rest = datagram;
    rest.replace(kFinalMarker, QByteArrayView());
    const qsizetype at = rest.indexOf(kQueryIdMarker);
    if (at >= 0) {
        const qsizetype end = rest.indexOf('\\', at + kQueryIdMarker.size());
        rest.remove(at, (end < 0 ? rest.size() : end) - at);
    }
    return rest.isEmpty();
}

} // namespace

bool ServerHealth::Reply::complete() const
{
    if (queryId < 0)
        return true;
    if (lastPacket <= 0)
        return false;
    // Packets past the mask's bits are taken as present; no reply is that long.
    if (lastPacket > 64)
        return true;
    const quint64 all = lastPacket == 64 ? ~quint64(0) : (quint64(1) << lastPacket) - 1;
    return (packets & all) == all;
}

void ServerHealth::asked(quint32 now)
{
    if (m_roundOpen && now - m_roundTick < kReplyWaitMs)
        return;
    if (m_roundOpen) {
        if (m_round.isEmpty()) {
            m_misses = std::min(m_misses + 1, kStaleMisses);
            // Silence tells nothing of parts: a server that answers again is judged anew.
            m_lacks = {};
        } else {
            m_lacks = roundLacks();
        }
    }
    m_roundOpen = true;
    m_roundTick = now;
    m_round.clear();
}

void ServerHealth::replied(const QByteArray &datagram, quint32 now)
{
    m_answered = true;
    m_lastAnswerTick = now;
    m_misses = 0;
    if (!m_roundOpen)
        return;

    Reply packet;
    int number = 0;
    const bool numbered = readQueryId(datagram, packet.queryId, number);
    if (!numbered)
        packet.queryId = -1;
    auto reply = std::find_if(m_round.begin(), m_round.end(),
                              [&](const Reply &r) { return numbered && r.queryId == packet.queryId; });
    if (reply == m_round.end()) {
        // A flood from a sender posing as the server must not grow the round.
        if (m_round.size() >= kMaxRoundReplies)
            return;
        reply = m_round.insert(m_round.end(), packet);
    }
    if (numbered && number <= 64)
        reply->packets |= quint64(1) << (number - 1);
    if (numbered && datagram.contains(kFinalMarker))
        reply->lastPacket = number;
    reply->info = reply->info || datagram.contains("\\hostname\\");
    reply->players = reply->players || datagram.contains("\\player_");
    reply->bare = reply->bare && isBare(datagram);

    // A round answered in full ends the partial state at once.
    if (m_lacks.toInt() != 0 && roundLacks().toInt() == 0)
        m_lacks = {};
}

ServerHealth::Lacks ServerHealth::roundLacks() const
{
    Lacks lacks;
    bool info = false;
    bool players = false;
    for (const Reply &r : m_round) {
        info = info || r.info;
        players = players || r.players;
        if (!r.complete())
            lacks |= Lack::MissingPackets;
    }
    // An empty player list says nothing of itself; it is the reply to the
    // query sent right after "\info\", so its number follows the info's.
    const auto answers = [&](const Reply &r) {
        return r.queryId > 0 && std::any_of(m_round.begin(), m_round.end(), [&](const Reply &s) {
                   return s.info && s.queryId > 0 && r.queryId == nextQueryId(s.queryId);
               });
    };
    // Without the info reply, any reply without contents may be that empty list.
    const auto mayAnswer = [](const Reply &r) { return r.bare; };
    if (!players && info)
        players = std::any_of(m_round.begin(), m_round.end(), answers);
    else if (!players)
        players = std::any_of(m_round.begin(), m_round.end(), mayAnswer);
    if (!info)
        lacks |= Lack::ServerInfo;
    if (!players)
        lacks |= Lack::PlayerList;
    return lacks;
}

QString healthAgeText(quint32 milliseconds)
{
    const quint32 seconds = milliseconds / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    const quint32 minutes = seconds / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    const quint32 hours = minutes / 60;
    if (hours < 48)
        return QStringLiteral("%1 h").arg(hours);
    return QStringLiteral("%1 days").arg(hours / 24);
}

QString healthText(const ServerHealth &health, quint32 now)
{
    if (health.isStale()) {
        if (!health.hasAnswered())
            return QStringLiteral("never answered");
        return QStringLiteral("no reply for ") + healthAgeText(now - health.lastAnswerTick());
    }
    if (!health.isPartial())
        return {};
    using Lack = ServerHealth::Lack;
    QStringList missing;
    if (health.lacks().testFlag(Lack::ServerInfo))
        missing.append(QStringLiteral("no server info"));
    if (health.lacks().testFlag(Lack::PlayerList))
        missing.append(QStringLiteral("no player list"));
    if (health.lacks().testFlag(Lack::MissingPackets))
        missing.append(QStringLiteral("packets missing"));
    return QStringLiteral("partial reply: ") + missing.join(QStringLiteral(", "));
}
