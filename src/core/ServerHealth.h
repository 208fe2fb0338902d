#pragma once

#include <QString>

#include <QByteArray>
#include <QFlags>
#include <QList>

// How a server answers the rounds of queries it is asked: the player scan
// and the walks over the list each ask it one round ("\info\" first and
// "\players\" right after it). A round is known unanswered once the next
// one asks; kStaleMisses of them in a row make the server stale, and any
// reply makes it fresh again. A round that was answered in part leaves the
// server partial until a round is answered in full.
class ServerHealth final
{
public:
    // One lost datagram must not grey the row.
    static constexpr int kStaleMisses = 2;
    // An ask sooner than this after the round began joins that round: its
    // replies may still be on their way.
    static constexpr quint32 kReplyWaitMs = 1000;

    enum class Lack : quint8 {
        ServerInfo = 1,     // the "\info\" reply never came
        PlayerList = 2,     // the "\players\" reply never came
        MissingPackets = 4, // a reply came without its final packet, or with a gap
    };
    Q_DECLARE_FLAGS(Lacks, Lack)

    // A round begins at now, ending the one before.
    void asked(quint32 now);
    // A datagram from the server arrived at now.
    void replied(const QByteArray &datagram, quint32 now);

    bool isStale() const { return m_misses >= kStaleMisses; }
    // Answered in part, and not stale.
    bool isPartial() const { return !isStale() && m_lacks.toInt() != 0; }
    Lacks lacks() const { return m_lacks; }
    bool hasAnswered() const { return m_answered; }
    quint32 lastAnswerTick() const { return m_lastAnswerTick; }

private:
    // The packets of one query's reply, named by the server's query id.
    struct Reply
    {
        int queryId = -1; // -1: a packet without one, taken as whole
        quint64 packets = 0;
        int lastPacket = 0; // the number of the packet with "\final\"; 0 before it came
        bool info = false;
        bool players = false;
        bool bare = true; // nothing but query ids and "\final\"
        bool complete() const;
    };
    static constexpr qsizetype kMaxRoundReplies = 64;

    Lacks roundLacks() const;

    quint32 m_roundTick = 0;
    bool m_roundOpen = false;
    QList<Reply> m_round;
    int m_misses = 0;
    bool m_answered = false;
    quint32 m_lastAnswerTick = 0;
    Lacks m_lacks;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ServerHealth::Lacks)

// What the server list says of the server at now, in a row's tooltip and
// accessible description; empty while it answers in full.
QString healthText(const ServerHealth &health, quint32 now);

// An age as the list says it: "35 s", "4 min", "2 h", "3 days".
QString healthAgeText(quint32 milliseconds);
