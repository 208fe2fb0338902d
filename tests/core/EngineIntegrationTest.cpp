// The engine with its real UDP socket against simulated game servers on 127.0.0.1.
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "core/DebugLog.h"
#include "core/EngineHost.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

namespace {

class BlinkRecorder final : public EngineHost
{
public:
    int selectedSlot() const override { return -1; }
    void FillServerInfoView(int) override {}
    void FillPlayersView(int) override {}
    void ShowTeamStrips(int) override {}
    void RepaintScoreViews() override {}
    void UpdateTitleBar() override {}
    void StartBlink(int mode) override { blinks.append(mode); }
    void CheckBuddies() override {}
    void SelectionRefresh() override {}
    QList<int> blinks;
};

class EngineIntegrationTest : public ::testing::Test
{
protected:
    EngineIntegrationTest()
    {
        engine.SleepTime = 0;
        engine.setHost(&host);
        EXPECT_TRUE(engine.bindMain(0));
    }

    int add(const SimulatedServer &server, bool checked = true)
    {
        const int slot = table.AddServer(QStringLiteral("127.0.0.1"), server.queryPort(), QString());
        table.setChecked(table.positionOfSlot(slot), checked);
        return slot;
    }

    // Handles events until the condition holds, for at most two seconds.
    template<typename Condition>
    bool waitFor(Condition condition)
    {
        const QDeadlineTimer deadline(2000);
        while (!condition() && !deadline.hasExpired())
            platform.pump.waitPumping(5);
        return condition();
    }

    RunState state;
    ConsoleMessageBoxes messages;
    SystemPlatform platform{messages};
    UdpDatagramSocket socket;
    DebugLog log{state, platform.localTime};
    ServerTable table{log, platform.resolver};
    QueryEngine engine{state, table, log, socket, platform.services};
    BlinkRecorder host;
};

TEST_F(EngineIntegrationTest, FullQueryFillsTheRecordFromSplitReplies)
{
    SimulatedServerConfig config;
    config.hostname = QStringLiteral("Integration CTF");
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
    ASSERT_TRUE(engine.QueryServer(slot));
    const TUTServer &record = *table.server(slot);
    ASSERT_TRUE(waitFor([&] { return record.Players[19].Name == "Player19" && !record.Teams[1].Name.isEmpty(); }));
    EXPECT_EQ(record.HostName, "Integration CTF");
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

TEST_F(EngineIntegrationTest, ScansBlinkOnJoinsAndSilentServersGoStale)
{
    SimulatedServerFarm farm(7);
    ASSERT_TRUE(farm.start(3));
    QList<int> slots;
    for (SimulatedServer *server : farm.servers())
        slots.append(add(*server));
    engine.UpdateAllServers();
    ASSERT_TRUE(waitFor([&] {
        for (int k = 0; k < 3; ++k) {
            if (StrToIntOrZero(table.server(slots[k])->NumPlayers) != farm.server(k)->playerCount())
                return false;
        }
        return true;
    }));

    engine.tm_PlayerScanTimer();
    host.blinks.clear();
    farm.server(1)->addPlayer(SimulatedPlayer{QStringLiteral("Newcomer")});
    engine.QueryServer(slots[1]);
    ASSERT_TRUE(waitFor([&] { return StrToIntOrZero(table.server(slots[1])->NumPlayers) == farm.server(1)->playerCount(); }));
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(host.blinks, QList<int>{2});

    const QByteArray before = table.server(slots[2])->HostName;
    farm.server(2)->setSilent(true);
    engine.QueryServer(slots[2]);
    platform.pump.waitPumping(100);
    EXPECT_EQ(table.server(slots[2])->HostName, before);
    EXPECT_NE(table.server(slots[2])->PingSentTick, 0u);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
