// The engine with its real UDP socket against simulated game servers on 127.0.0.1.
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "core/StrToIntOrZero.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"
#include "support/EventLoopWait.h"
#include "support/FakePlatform.h"
#include "support/SimulatedFarmScans.h"

#include <gtest/gtest.h>

namespace {

class EngineIntegrationTest : public ::testing::Test
{
protected:
    EngineIntegrationTest()
    {
        engine.setSleepTime(0);
        EXPECT_TRUE(engine.bindMain(0));
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this](int d) { netChanges.append(d); });
        // A scan ends once its queries are sent; its replies are read later.
        // Each answered query ends in a \final\ packet, so counting them tells
        // when a server's replies are all in.
        QObject::connect(&engine, &QueryEngine::replyDecoded, &engine, [this](int slot, const QByteArray &datagram) {
            if (datagram.contains("\\final\\"))
                ++finalReplies[slot];
        });
    }

    int add(const SimulatedServer &server, bool checked = true)
    {
        const int slot = table.addServer(QStringLiteral("127.0.0.1"), server.queryPort(), QString());
        table.setChecked(table.positionOfSlot(slot), checked);
        return slot;
    }

    template<typename Condition>
    bool waitFor(Condition condition)
    {
        return waitUntil(condition, 10000);
    }

    ConsoleMessageBoxes messages;
    SystemPlatform platform{messages};
    UdpDatagramSocket socket;
    QueryStack stack{socket, platform.services, false};
    ServerTable &table = stack.table;
    QueryEngine &engine = stack.engine;
    Poller poller{engine, table};
    QList<int> netChanges;
    QHash<int, int> finalReplies;
};

TEST_F(EngineIntegrationTest, FullQueryFillsTheRecordFromSplitReplies)
{
    SimulatedServerConfig config;
    config.hostname = QStringLiteral("Integration CTF \u2122 \u2019s");
    config.setGameType(QStringLiteral("CTFGame"));
    config.mapName = QStringLiteral("CTF-Face");
    config.maxPlayers = 32;
    config.mutators = QStringList(40, QStringLiteral("A Rather Long Mutator Description"));
    config.teamScores = {7, 3, 0, 0};
    SimulatedServer server(config);
    ASSERT_TRUE(server.start());
    for (int k = 0; k < 20; ++k)
        server.addPlayer(SimulatedPlayer{QStringLiteral("Player%1").arg(k), k, 40 + k, k % 2});

    const int slot = add(server);
    ASSERT_EQ(engine.queryServer(slot), QueryEngine::Sent::Yes);
    const TUTServer &record = *table.server(slot);
    ASSERT_TRUE(waitFor([&] { return record.Players[19].Name == "Player19" && !record.Teams[1].Name.isEmpty(); }));
    // Kept as the bytes the server sent, in its Windows-1252 code page.
    EXPECT_EQ(record.HostName, "Integration CTF \x99 \x92s");
    EXPECT_EQ(record.MapName, "CTF-Face");
    EXPECT_EQ(record.GameType, "CTFGame");
    EXPECT_EQ(record.NumPlayers, "20");
    EXPECT_EQ(record.MaxPlayers, "32");
    EXPECT_EQ(record.validPlayerSlots(), 20);
    EXPECT_EQ(record.Players[5].Frags, "5");
    EXPECT_EQ(record.Players[5].Team, "1");
    EXPECT_EQ(record.Teams[0].Name, "Red");
    EXPECT_TRUE(record.Teams[0].Score.startsWith("7"));
    EXPECT_TRUE(record.Mutators.startsWith("A Rather Long"));
    EXPECT_EQ(record.PingSentTick, 0u);
    EXPECT_EQ(table.entry(slot)->CurPlayers, "20");
}

TEST_F(EngineIntegrationTest, ScansSeeJoinsOnCheckedServersAndSilentServersGoStale)
{
    SimulatedServerFarm farm(7);
    ASSERT_TRUE(farm.start(3));
    QList<int> slots;
    for (SimulatedServer *server : farm.servers())
        slots.append(add(*server));
    const auto countsMatch = [&] {
        for (int k = 0; k < 3; ++k) {
            if (strToIntOrZero(table.entry(slots[k])->CurPlayers) != farm.server(k)->playerCount())
                return false;
        }
        return true;
    };
    poller.updateAllServers();
    ASSERT_TRUE(waitFor(countsMatch));
    poller.scanCheckedServers();
    ASSERT_TRUE(waitFor([&] { return netChanges.size() == 1; }));

    // A newcomer on a checked server: the next scan brings the count to its
    // row, and the scan after that tells the join.
    farm.server(1)->addPlayer(SimulatedPlayer{QStringLiteral("Newcomer")});
    poller.scanCheckedServers();
    ASSERT_TRUE(waitFor([&] { return netChanges.size() == 2; }));
    ASSERT_TRUE(waitFor(countsMatch));
    poller.scanCheckedServers();
    ASSERT_TRUE(waitFor([&] { return netChanges.size() == 3; }));
    EXPECT_EQ(netChanges[2], -1);

    // Silence the server only once every reply it owes is read (the update's
    // four queries and three scans of three), or a late one would clear the
    // ping of the query below.
    ASSERT_TRUE(waitFor([&] { return finalReplies.value(slots[2]) == 4 + 3 * 3; }));
    const QByteArray before = table.server(slots[2])->HostName;
    SimulatedServer &silent = *farm.server(2);
    silent.setSilent(true);
    const quint64 requestsBefore = silent.requestCount();
    engine.queryServer(slots[2]);
    ASSERT_TRUE(waitFor([&] { return silent.requestCount() == requestsBefore + 4; }));
    EXPECT_EQ(table.server(slots[2])->HostName, before);
    EXPECT_NE(table.server(slots[2])->PingSentTick, 0u);
}

// The same against servers that stop answering or answer in part, on a
// clock the test moves a scan interval on before each scan: the rounds are
// judged by it, and nothing waits for time to pass.
class ServerHealthIntegrationTest : public ::testing::Test, protected SimulatedFarmScans
{
protected:
    ServerHealthIntegrationTest()
        : SimulatedFarmScans(11)
    {
    }

    void addFarm() { ASSERT_TRUE(start(3)); }
    void scan() { ASSERT_TRUE(SimulatedFarmScans::scan(kScanInterval)); }
    QVariant role(int k, int role) const { return table.index(table.positionOfSlot(slots[k])).data(role); }

    static constexpr quint32 kScanInterval = 15000;
};

TEST_F(ServerHealthIntegrationTest, AServerThatStopsAnsweringTurnsStaleAndRecoversWhenItAnswersAgain)
{
    addFarm();
    scan();
    for (int k = 0; k < farm.size(); ++k)
        EXPECT_FALSE(role(k, ServerTable::StaleRole).toBool()) << k;

    // Its unanswered scans are counted as the next scan asks again; one is
    // not enough to grey the row.
    farm.server(1)->setSilent(true);
    for (int k = 0; k < ServerHealth::kStaleMisses; ++k) {
        scan();
        EXPECT_FALSE(role(1, ServerTable::StaleRole).toBool()) << k;
    }
    scan();
    EXPECT_TRUE(role(1, ServerTable::StaleRole).toBool());
    EXPECT_FALSE(role(0, ServerTable::StaleRole).toBool());
    EXPECT_FALSE(role(2, ServerTable::StaleRole).toBool());
    const QString since =
        QStringLiteral("no reply for %1 s").arg((ServerHealth::kStaleMisses + 1) * kScanInterval / 1000);
    EXPECT_EQ(role(1, Qt::ToolTipRole).toString(), since);
    EXPECT_EQ(role(1, Qt::AccessibleDescriptionRole).toString(), since);

    farm.server(1)->setSilent(false);
    scan();
    EXPECT_FALSE(role(1, ServerTable::StaleRole).toBool());
    EXPECT_FALSE(role(1, ServerTable::PartialRole).toBool());
    EXPECT_FALSE(role(1, Qt::ToolTipRole).isValid());
}

TEST_F(ServerHealthIntegrationTest, APlayerListThatNeverComesMarksTheRowPartialUntilItDoes)
{
    addFarm();
    SimulatedServer &server = *farm.server(2);
    SimulatedServerConfig config = server.config();
    config.unansweredQueries = QStringList{QStringLiteral("players")};
    server.setConfig(config);
    scan();
    EXPECT_FALSE(role(2, ServerTable::PartialRole).toBool());
    scan();
    EXPECT_TRUE(role(2, ServerTable::PartialRole).toBool());
    EXPECT_FALSE(role(2, ServerTable::StaleRole).toBool());
    EXPECT_EQ(role(2, Qt::ToolTipRole).toString(), QStringLiteral("partial reply: no player list"));
    EXPECT_FALSE(role(0, ServerTable::PartialRole).toBool());

    config.unansweredQueries.clear();
    server.setConfig(config);
    scan();
    EXPECT_FALSE(role(2, ServerTable::PartialRole).toBool());
    EXPECT_FALSE(role(2, Qt::ToolTipRole).isValid());
}

} // namespace
