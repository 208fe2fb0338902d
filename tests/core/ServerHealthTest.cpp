// Servers that stop answering and servers that answer in part: the rounds
// the scans and the walks ask, the misses and the parts they count, on a
// fake clock and a fake socket.
#include "core/Poller.h"
#include "core/ServerHealth.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <gtest/gtest.h>

namespace {

constexpr quint32 kScanInterval = 15000;

using Lack = ServerHealth::Lack;
using Lacks = ServerHealth::Lacks;

TEST(ServerHealth, RoundsWithoutAnyReplyMakeItStaleAndAReplyMakesItFresh)
{
    ServerHealth health;
    quint32 now = 5000;
    health.asked(now);
    EXPECT_FALSE(health.isStale());
    // One unanswered round is not enough: a single lost datagram.
    for (int k = 1; k < ServerHealth::kStaleMisses; ++k) {
        health.asked(now += kScanInterval);
        EXPECT_FALSE(health.isStale());
    }
    health.asked(now += kScanInterval);
    EXPECT_TRUE(health.isStale());
    EXPECT_FALSE(health.hasAnswered());

    health.replied("\\hostname\\A\\queryid\\1.1\\final\\", now += 300);
    EXPECT_FALSE(health.isStale());
    EXPECT_TRUE(health.hasAnswered());
    EXPECT_EQ(health.lastAnswerTick(), now);

    // A reply between two silent rounds starts the count again.
    health.asked(now += kScanInterval);
    health.asked(now += kScanInterval);
    EXPECT_FALSE(health.isStale());
    health.replied("\\hostname\\A\\final\\", now += 10);
    health.asked(now += kScanInterval);
    health.asked(now += kScanInterval);
    EXPECT_FALSE(health.isStale());
    health.asked(now += kScanInterval);
    EXPECT_TRUE(health.isStale());
}

TEST(ServerHealth, AnAskBeforeTheRepliesCouldArriveJoinsTheRound)
{
    static_assert(ServerHealth::kStaleMisses == 2, "the asks below count on two misses");
    ServerHealth health;
    health.asked(1000);
    health.asked(1000 + ServerHealth::kReplyWaitMs - 1);
    health.asked(1000 + ServerHealth::kReplyWaitMs - 1);
    health.asked(1000 + ServerHealth::kReplyWaitMs - 1);
    EXPECT_FALSE(health.isStale());
    health.asked(1000 + ServerHealth::kReplyWaitMs);
    health.asked(1000 + 2 * ServerHealth::kReplyWaitMs);
    EXPECT_TRUE(health.isStale());
    // Ticks wrap at 32 bits.
    ServerHealth wrapped;
    wrapped.asked(0xfffffe00u);
    wrapped.asked(0xfffffe00u + ServerHealth::kReplyWaitMs);
    wrapped.asked(0xfffffe00u + 2 * ServerHealth::kReplyWaitMs);
    EXPECT_TRUE(wrapped.isStale());
}

// The datagrams of one round, and what the round lacked.
struct PartsCase
{
    const char *name;
    QList<QByteArray> datagrams;
    Lacks lacks;
};

class RoundParts : public ::testing::TestWithParam<PartsCase>
{
};

TEST_P(RoundParts, TellWhatTheRoundLacked)
{
    ServerHealth health;
    health.asked(1000);
    for (const QByteArray &datagram : GetParam().datagrams)
        health.replied(datagram, 1100);
    health.asked(1000 + kScanInterval);
    EXPECT_EQ(health.lacks(), GetParam().lacks);
    EXPECT_EQ(health.isPartial(), GetParam().lacks.toInt() != 0);
    EXPECT_FALSE(health.isStale());
}

const QByteArray kInfo = QByteArrayLiteral("\\hostname\\A\\numplayers\\2\\maxplayers\\8\\queryid\\7.1\\final\\");
const QByteArray kPlayers = QByteArrayLiteral("\\player_0\\Ann\\frags_0\\3\\player_1\\Bob\\queryid\\8.1\\final\\");
const QByteArray kTeams = QByteArrayLiteral("\\team_0\\Red\\score_0\\4\\queryid\\9.1\\final\\");

INSTANTIATE_TEST_SUITE_P(
    ServerHealth, RoundParts,
    ::testing::Values(
        PartsCase{"Whole", {kInfo, kPlayers, kTeams}, {}},
        PartsCase{"RepliesInAnyOrder", {kTeams, kPlayers, kInfo}, {}},
        PartsCase{"InfoWithoutPlayers", {kInfo, kTeams}, Lack::PlayerList},
        PartsCase{"InfoAlone", {kInfo}, Lack::PlayerList},
        PartsCase{"PlayersWithoutInfo", {kPlayers, kTeams}, Lack::ServerInfo},
        // An empty player list is known by its number, next after the info's.
        PartsCase{"EmptyPlayerList", {kInfo, "\\queryid\\8.1\\final\\", "\\queryid\\9.1\\final\\"}, {}},
        PartsCase{"EmptyTeamsButNoPlayerList", {kInfo, "\\queryid\\9.1\\final\\"}, Lack::PlayerList},
        PartsCase{
            "NumbersStartOverAfter100", {"\\hostname\\A\\queryid\\100.1\\final\\", "\\queryid\\1.1\\final\\"}, {}},
        PartsCase{"WithoutTheInfoAnEmptyReplyMayBeTheList", {"\\queryid\\8.1\\final\\"}, Lack::ServerInfo},
        PartsCase{
            "PlayerListWithoutItsFinalPacket", {kInfo, "\\player_0\\Ann\\queryid\\8.1", kTeams}, Lack::MissingPackets},
        PartsCase{"PlayerListWithAGap",
                  {kInfo, "\\player_0\\Ann\\queryid\\8.1", "\\player_9\\Zed\\queryid\\8.3\\final\\"},
                  Lack::MissingPackets},
        PartsCase{"PlayerListInThreePackets",
                  {kInfo, "\\player_0\\A\\queryid\\8.1", "\\player_5\\F\\queryid\\8.2",
                   "\\player_9\\Z\\queryid\\8.3\\final\\"},
                  {}},
        PartsCase{"InfoCutShort", {"\\hostname\\A\\queryid\\7.1", kPlayers}, Lack::MissingPackets},
        // Servers before 451 put "\final\" before the query id.
        PartsCase{
            "OlderPacketOrder", {"\\hostname\\A\\final\\\\queryid\\7.1", "\\player_0\\Ann\\final\\\\queryid\\8.1"}, {}},
        PartsCase{"WithoutQueryIds", {"\\hostname\\A\\final\\", "\\player_0\\Ann\\final\\"}, {}},
        PartsCase{"NoInfoAndNoList", {kTeams}, Lacks(Lack::ServerInfo) | Lack::PlayerList}),
    [](const ::testing::TestParamInfo<PartsCase> &param) { return std::string(param.param.name); });

TEST(ServerHealth, PartialEndsOnceARoundIsWholeAndSilenceForgetsIt)
{
    ServerHealth health;
    quint32 now = 1000;
    health.asked(now);
    health.replied(kInfo, now + 50);
    health.asked(now += kScanInterval);
    ASSERT_TRUE(health.isPartial());

    // The info alone does not end it; the player list after it does, at once.
    health.replied("\\hostname\\A\\queryid\\20.1\\final\\", now + 40);
    EXPECT_TRUE(health.isPartial());
    health.replied("\\player_0\\Ann\\queryid\\21.1\\final\\", now + 45);
    EXPECT_FALSE(health.isPartial());
    EXPECT_EQ(health.lacks(), Lacks());

    // A stale server is not told partial, and when it answers again it is judged anew.
    health.asked(now += kScanInterval);
    health.replied(kInfo, now + 50);
    health.asked(now += kScanInterval);
    ASSERT_TRUE(health.isPartial());
    health.asked(now += kScanInterval);
    EXPECT_FALSE(health.isPartial());
    health.asked(now += kScanInterval);
    EXPECT_TRUE(health.isStale());
    health.replied(kInfo, now + 50);
    EXPECT_FALSE(health.isStale());
    EXPECT_FALSE(health.isPartial());
}

TEST(ServerHealth, AFloodDoesNotGrowTheRound)
{
    ServerHealth health;
    health.asked(1000);
    for (int k = 1; k <= 5000; ++k)
        health.replied("\\queryid\\" + QByteArray::number(k % 100 + 1) + '.' + QByteArray::number(k) + "\\x\\", 1100);
    health.replied("\\hostname\\A\\queryid\\7.1\\final\\", 1100);
    health.asked(1000 + kScanInterval);
    EXPECT_TRUE(health.lacks().testFlag(Lack::MissingPackets));
}

// The engine and the poller on a fake socket and a fake clock.
class ServerHealthEngineTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    ServerHealthEngineTest()
    {
        engine.setSleepTime(0);
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this] { ++scans; });
        QObject::connect(&poller, &Poller::allServersUpdated, &poller, [this] { ++updates; });
        QObject::connect(&table, &ServerTable::dataChanged, &table,
                         [this](const QModelIndex &topLeft, const QModelIndex &, const QList<int> &roles) {
                             if (roles.contains(ServerTable::StaleRole))
                                 healthChanges.append(table.slotAt(topLeft.row()));
                         });
    }

    int addChecked(const QString &address, bool checked = true)
    {
        const int slot = table.addServer(address, 7778, QString());
        table.setChecked(table.positionOfSlot(slot), checked);
        return slot;
    }

    // A scan a scan interval after the last, run to its end.
    bool scan()
    {
        platform.clock.advance(kScanInterval);
        const int before = scans;
        poller.scanCheckedServers();
        return waitUntil([&] { return scans > before; });
    }

    void reply(int slot, const QByteArray &datagram) { socket.deliver(datagram, table.server(slot)->Host, 7778); }

    // The whole answer to a scan, numbered as the game numbers it.
    void answerScan(int slot)
    {
        reply(slot,
              "\\hostname\\S\\numplayers\\1\\maxplayers\\8\\queryid\\" + QByteArray::number(nextId) + ".1\\final\\");
        reply(slot, "\\player_0\\Ann\\queryid\\" + QByteArray::number(nextId + 1) + ".1\\final\\");
        reply(slot, "\\queryid\\" + QByteArray::number(nextId + 2) + ".1\\final\\");
        nextId += 3;
    }

    QVariant role(int slot, int role) const { return table.index(table.positionOfSlot(slot)).data(role); }

    Poller poller{engine, table};
    int scans = 0;
    int updates = 0;
    int nextId = 1;
    // The slots of the rows told that their health changed, in order.
    QList<int> healthChanges;
};

TEST_F(ServerHealthEngineTest, AServerThatStopsAnsweringTurnsStaleAndRecoversAtItsNextReply)
{
    const int alive = addChecked(QStringLiteral("127.0.0.1"));
    const int dying = addChecked(QStringLiteral("127.0.0.2"));
    ASSERT_TRUE(scan());
    answerScan(alive);
    answerScan(dying);
    const quint32 lastAnswer = platform.clock.now;
    ASSERT_TRUE(scan());
    answerScan(alive);
    for (int k = 0; k < ServerHealth::kStaleMisses; ++k) {
        EXPECT_FALSE(role(dying, ServerTable::StaleRole).toBool()) << k;
        ASSERT_TRUE(scan());
        answerScan(alive);
    }
    EXPECT_TRUE(role(dying, ServerTable::StaleRole).toBool());
    EXPECT_FALSE(role(alive, ServerTable::StaleRole).toBool());

    // The age is the clock's since the last reply, and follows it.
    const QString expected = QStringLiteral("no reply for %1 s").arg((platform.clock.now - lastAnswer) / 1000);
    EXPECT_EQ(role(dying, Qt::ToolTipRole).toString(), expected);
    EXPECT_EQ(role(dying, Qt::AccessibleDescriptionRole).toString(), expected);
    platform.clock.advance(4 * 60 * 1000);
    EXPECT_EQ(role(dying, Qt::ToolTipRole).toString(), QStringLiteral("no reply for 4 min"));
    EXPECT_FALSE(role(alive, Qt::ToolTipRole).isValid());

    // Only the row whose state changed was told, once.
    EXPECT_EQ(healthChanges, QList<int>{dying});

    reply(dying, "\\hostname\\S\\queryid\\50.1\\final\\");
    EXPECT_FALSE(role(dying, ServerTable::StaleRole).toBool());
    EXPECT_EQ(healthChanges, (QList<int>{dying, dying}));
}

TEST_F(ServerHealthEngineTest, AServerThatNeverAnsweredSaysSo)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), false);
    for (int k = 0; k <= ServerHealth::kStaleMisses; ++k) {
        EXPECT_FALSE(role(slot, ServerTable::StaleRole).toBool());
        platform.clock.advance(kScanInterval);
        const int before = updates;
        poller.updateAllServers();
        ASSERT_TRUE(waitUntil([&] { return updates > before; }));
    }
    EXPECT_TRUE(role(slot, ServerTable::StaleRole).toBool());
    EXPECT_EQ(role(slot, Qt::ToolTipRole).toString(), QStringLiteral("never answered"));
}

TEST_F(ServerHealthEngineTest, RefreshesAndDebugQueriesAreNoRounds)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"));
    for (int k = 0; k < 5; ++k) {
        platform.clock.advance(kScanInterval);
        EXPECT_EQ(engine.queryServer(slot), QueryEngine::Sent::Yes);
        engine.sendQuery(slot, "\\echo\\x");
    }
    EXPECT_FALSE(role(slot, ServerTable::StaleRole).toBool());
}

TEST_F(ServerHealthEngineTest, InfoWithoutThePlayerListMarksTheRowPartial)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(scan());
    reply(slot, "\\hostname\\S\\numplayers\\3\\maxplayers\\8\\queryid\\11.1\\final\\");
    reply(slot, "\\team_0\\Red\\score_0\\1\\queryid\\13.1\\final\\");
    EXPECT_FALSE(role(slot, ServerTable::PartialRole).toBool());
    ASSERT_TRUE(scan());
    EXPECT_TRUE(role(slot, ServerTable::PartialRole).toBool());
    EXPECT_EQ(role(slot, Qt::ToolTipRole).toString(), QStringLiteral("partial reply: no player list"));
    EXPECT_EQ(role(slot, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("partial reply: no player list"));

    nextId = 14;
    answerScan(slot);
    EXPECT_FALSE(role(slot, ServerTable::PartialRole).toBool());
    EXPECT_FALSE(role(slot, Qt::ToolTipRole).isValid());
    EXPECT_EQ(healthChanges, (QList<int>{slot, slot}));
}

TEST_F(ServerHealthEngineTest, ANewAddressOrANewServerInTheSlotStartsFresh)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"));
    const auto goStale = [&] {
        for (int k = 0; k <= ServerHealth::kStaleMisses; ++k)
            ASSERT_TRUE(scan());
        ASSERT_TRUE(role(slot, ServerTable::StaleRole).toBool());
    };
    const QString never = QStringLiteral("never answered");
    ASSERT_TRUE(scan());
    reply(slot, "\\hostname\\S\\player_0\\Ann\\final\\");
    goStale();
    EXPECT_NE(role(slot, Qt::ToolTipRole).toString(), never);
    // A new name keeps what the server did; a new address forgets it.
    table.setServerAddress(slot, QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Renamed"));
    EXPECT_TRUE(role(slot, ServerTable::StaleRole).toBool());
    table.setServerAddress(slot, QStringLiteral("127.0.0.9"), 7778, QStringLiteral("Moved"));
    EXPECT_FALSE(role(slot, ServerTable::StaleRole).toBool());
    goStale();
    EXPECT_EQ(role(slot, Qt::ToolTipRole).toString(), never);

    // So does a server added in the slot of a deleted one.
    reply(slot, "\\hostname\\S\\player_0\\Ann\\final\\");
    table.removeAt(table.positionOfSlot(slot));
    ASSERT_EQ(addChecked(QStringLiteral("127.0.0.9")), slot);
    EXPECT_FALSE(role(slot, ServerTable::StaleRole).toBool());
    goStale();
    EXPECT_EQ(role(slot, Qt::ToolTipRole).toString(), never);
}

} // namespace
