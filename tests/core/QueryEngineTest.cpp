#include "core/DebugLog.h"
#include "core/EngineHost.h"
#include "core/PollingDelays.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "platform/fakes/FakeDatagramSocket.h"
#include "platform/fakes/FakeEngineStack.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

class RecordingHost final : public EngineHost
{
public:
    int selectedSlot() const override { return selected; }
    void FillServerInfoView(int slot) override { calls.append(QStringLiteral("info %1").arg(slot)); }
    void FillPlayersView(int slot) override { calls.append(QStringLiteral("players %1").arg(slot)); }
    void ShowTeamStrips(int slot) override { calls.append(QStringLiteral("strips %1").arg(slot)); }
    void RepaintScoreViews() override { calls.append(QStringLiteral("scores")); }
    void UpdateTitleBar() override { calls.append(QStringLiteral("title")); }
    void StartBlink(int mode) override { blinks.append(mode); }
    void CheckBuddies() override { calls.append(QStringLiteral("buddies")); }
    void SelectionRefresh() override { calls.append(QStringLiteral("refresh")); }

    int selected = -1;
    QStringList calls;
    QList<int> blinks;
};

class QueryEngineTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    QueryEngineTest() { engine.setHost(&host); }

    int addChecked(const QString &address, int port)
    {
        const int slot = table.AddServer(address, port, QString());
        table.setChecked(table.positionOfSlot(slot), true);
        return slot;
    }

    void reply(const QByteArray &datagram, const QString &address, quint16 port)
    {
        socket.deliver(datagram, address, port);
    }

    QStringList sentTo() const
    {
        QStringList result;
        for (const auto &s : socket.sent)
            result.append(s.address + QLatin1Char(':') + QString::number(s.port) + QLatin1Char(' ')
                          + QString::fromLatin1(s.datagram));
        return result;
    }

    RecordingHost host;
};

TEST_F(QueryEngineTest, QueryServerSendsTheFourQueriesInOrder)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    EXPECT_TRUE(engine.QueryServer(slot));
    EXPECT_EQ(sentTo(), (QStringList{QStringLiteral("127.0.0.1:7778 \\info\\"), QStringLiteral("127.0.0.1:7778 \\players\\"),
                                     QStringLiteral("127.0.0.1:7778 \\rules\\"), QStringLiteral("127.0.0.1:7778 \\teams\\")}));
    EXPECT_EQ(platform.pump.pendingCalls, 4);
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] send \\info\\ to 127.0.0.1:7778")));
}

TEST_F(QueryEngineTest, UnsetHostsAndFreeSlotsAreNeverSentTo)
{
    for (const char *unset : {"", "0.0.0.0", "0.0.0", "0.0", "0"})
        EXPECT_TRUE(engine.QueryServer(table.AddServer(QString::fromLatin1(unset), 7778, QStringLiteral("x"))));
    EXPECT_TRUE(engine.SendQuery(200, "\\info\\"));
    EXPECT_TRUE(engine.SendQuery(-1, "\\info\\"));
    EXPECT_TRUE(socket.sent.isEmpty());
    EXPECT_TRUE(platform.messages.errors.isEmpty());
}

TEST_F(QueryEngineTest, PingRunsFromTheOldestUnansweredQuery)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    engine.SendQuery(slot, "\\players\\");
    platform.clock.advance(5);
    engine.SendQuery(slot, "\\teams\\");
    platform.clock.advance(35);
    reply("\\hostname\\A\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.server(slot)->Ping, 40u);
    EXPECT_EQ(table.server(slot)->PingSentTick, 0u);
    platform.clock.advance(100);
    reply("\\mapname\\B\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.server(slot)->Ping, 40u);
    EXPECT_EQ(table.server(slot)->MapName, "B");
}

TEST_F(QueryEngineTest, PingSurvivesTheTickCounterWrapping)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    platform.clock.now = 0xFFFFFFF0u;
    engine.SendQuery(slot, "\\info\\");
    platform.clock.now = 0x10;
    reply("\\hostname\\A\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.server(slot)->Ping, 0x20u);
}

TEST_F(QueryEngineTest, RepliesFromUnknownSendersAreDropped)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    reply("\\hostname\\Intruder\\", QStringLiteral("127.0.0.1"), 7779);
    reply("\\hostname\\Intruder\\", QStringLiteral("127.0.0.2"), 7778);
    EXPECT_EQ(table.server(slot)->HostName, "");
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] received data from unknown location : 127.0.0.1:7779")));
}

TEST_F(QueryEngineTest, ReplyRefreshesTheListCountsWhenTheyChange)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    reply("\\numplayers\\4\\maxplayers\\16\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.entry(slot)->CurPlayers, "4");
    EXPECT_EQ(table.entry(slot)->MaxPlayers, "16");
}

TEST_F(QueryEngineTest, PlayerScanBlinksOnTheNetChange)
{
    const char *before[] = {"2", "5", "0"};
    const char *after[] = {"4", "5", "1"};
    QList<int> slots;
    for (int k = 0; k < 3; ++k) {
        slots.append(addChecked(QStringLiteral("127.0.0.%1").arg(k + 1), 7778));
        table.server(slots[k])->PrevNumPlayers = before[k];
        table.server(slots[k])->NumPlayers = after[k];
    }
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(host.blinks, QList<int>{2});
    EXPECT_EQ(socket.sent.size(), 6);
    EXPECT_EQ(platform.pump.waits, (QList<quint32>{20, 20, 20}));
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("title"), QStringLiteral("refresh")}));

    table.server(slots[1])->NumPlayers = "3";
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(host.blinks, (QList<int>{2, 3}));

    engine.tm_PlayerScanTimer();
    EXPECT_EQ(host.blinks, (QList<int>{2, 3}));
}

TEST_F(QueryEngineTest, FirstScanCountsEveryoneAsJoinedAndLargeChangesStillBlink)
{
    const int a = addChecked(QStringLiteral("127.0.0.1"), 7778);
    const int b = addChecked(QStringLiteral("127.0.0.2"), 7778);
    table.server(a)->NumPlayers = "3";
    table.server(b)->NumPlayers = "60";
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(host.blinks, QList<int>{2});
}

TEST_F(QueryEngineTest, UncheckedServersAreNotScanned)
{
    addChecked(QStringLiteral("127.0.0.1"), 7778);
    const int unchecked = table.AddServer(QStringLiteral("127.0.0.2"), 7778, QString());
    table.server(unchecked)->NumPlayers = "9";
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(socket.sent.size(), 2);
    EXPECT_TRUE(host.blinks.isEmpty());
}

TEST_F(QueryEngineTest, NameHostShowsTheErrorAndStopsTheScan)
{
    addChecked(QStringLiteral("127.0.0.1"), 7778);
    addChecked(QStringLiteral("nowhere.invalid"), 7778);
    addChecked(QStringLiteral("127.0.0.3"), 7778);
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(platform.messages.errors, QStringList{QStringLiteral("'nowhere' is not a valid integer value")});
    EXPECT_EQ(socket.sent.size(), 2);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(QueryEngineTest, ScanSurvivesServersDeletedWhileItWaits)
{
    for (int k = 0; k < 4; ++k)
        addChecked(QStringLiteral("127.0.0.%1").arg(k + 1), 7778);
    int pumps = 0;
    platform.pump.onPump = [&] {
        // The user deletes the last two servers while the scan waits after the first.
        if (++pumps == 2) {
            table.RemoveAt(3);
            table.RemoveAt(2);
        }
    };
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(socket.sent.size(), 4);
    EXPECT_EQ(host.calls.size(), 2);
}

TEST_F(QueryEngineTest, NothingRunsWhileShuttingDown)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    host.selected = slot;
    state.ShuttingDown = true;
    engine.tm_PlayerScanTimer();
    engine.tm_ServerInfoTimer();
    engine.tm_PlayerInfoTimer();
    engine.UpdateAllServers();
    engine.UpdateServerInfo();
    reply("\\hostname\\late\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_TRUE(socket.sent.isEmpty());
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(table.server(slot)->HostName, "");
}

TEST_F(QueryEngineTest, ShutdownDuringTheScanStopsIt)
{
    addChecked(QStringLiteral("127.0.0.1"), 7778);
    addChecked(QStringLiteral("127.0.0.2"), 7778);
    platform.pump.onPump = [&] { state.ShuttingDown = true; };
    engine.tm_PlayerScanTimer();
    EXPECT_EQ(socket.sent.size(), 1);
    EXPECT_TRUE(host.calls.isEmpty());
}

TEST_F(QueryEngineTest, TimersRefreshTheSelectedServer)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    engine.tm_ServerInfoTimer();
    EXPECT_TRUE(socket.sent.isEmpty());

    host.selected = slot;
    engine.tm_ServerInfoTimer();
    EXPECT_EQ(socket.sent.size(), 4);
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("info 0"), QStringLiteral("title")}));

    host.calls.clear();
    engine.tm_PlayerInfoTimer();
    EXPECT_EQ(host.calls, (QStringList{QStringLiteral("players 0"), QStringLiteral("strips 0"), QStringLiteral("scores"),
                                       QStringLiteral("buddies"), QStringLiteral("title")}));
}

TEST_F(QueryEngineTest, UpdateAllQueriesEveryServerAndResorts)
{
    for (int k = 0; k < 3; ++k)
        table.AddServer(QStringLiteral("127.0.0.%1").arg(3 - k), 7778, QStringLiteral("s%1").arg(3 - k));
    table.SetSortMode(ServerTable::NameAscending);
    table.SortServerList(ServerTable::NameDescending);
    platform.pump.onPump = [&] { table.setServerAddress(0, QStringLiteral("127.0.0.3"), 7778, QStringLiteral("a")); };
    engine.UpdateAllServers();
    EXPECT_EQ(socket.sent.size(), 12);
    EXPECT_EQ(platform.pump.waits.size(), 3);
    // Re-sorted with the comparator in force: "a" now sorts last, descending.
    EXPECT_EQ(table.entry(table.slotAt(2))->Name, QStringLiteral("a"));
}

TEST_F(QueryEngineTest, DelayControlsSetTheTimers)
{
    engine.setServerListDelay(10);
    EXPECT_EQ(engine.playerScanTimer().interval(), 10000);
    engine.setServerInfoDelay(5);
    EXPECT_EQ(engine.serverInfoTimer().interval(), 300000);
    engine.setPlayerInfoDelay(24);
    EXPECT_EQ(engine.playerInfoTimer().interval(), 65000);
    engine.setPlayerInfoUpdate(true);
    EXPECT_TRUE(engine.playerInfoTimer().isActive());
    engine.setPlayerInfoUpdate(false);
    EXPECT_FALSE(engine.playerInfoTimer().isActive());
}

struct DelayCase
{
    int position;
    int seconds;
    const char *label;
};

class PlayerInfoDelay : public ::testing::TestWithParam<DelayCase>
{
};

TEST_P(PlayerInfoDelay, MapsPositionToSecondsAndLabel)
{
    EXPECT_EQ(PollingDelays::PlayerInfoDelaySeconds(GetParam().position), GetParam().seconds);
    EXPECT_EQ(PollingDelays::PlayerInfoDelayLabel(GetParam().position),
              QStringLiteral("     Update player info every ") + QString::fromLatin1(GetParam().label));
}

INSTANTIATE_TEST_SUITE_P(PollingDelays, PlayerInfoDelay,
                         ::testing::Values(DelayCase{1, 10, "10 seconds"}, DelayCase{10, 19, "19 seconds"},
                                           DelayCase{15, 24, "24 seconds"}, DelayCase{16, 25, "25 seconds"},
                                           DelayCase{24, 65, "1:5 minutes"}, DelayCase{25, 70, "1:10 minutes"},
                                           DelayCase{36, 180, "3:0 minutes"}, DelayCase{37, 210, "3:30 minutes"},
                                           DelayCase{60, 900, "15:0 minutes"}, DelayCase{61, 960, "16:0 minutes"},
                                           DelayCase{75, 1800, "30:0 minutes"}, DelayCase{76, 2100, "35:0 minutes"},
                                           DelayCase{81, 3600, "60:0 minutes"}));

TEST(PollingDelays, OtherLabels)
{
    EXPECT_EQ(PollingDelays::ServerListDelayLabel(10), QStringLiteral("update every 10 seconds"));
    EXPECT_EQ(PollingDelays::ServerInfoDelayLabel(3), QStringLiteral("     Update server info every 3 minutes"));
}

} // namespace
