#include "core/PacedWalk.h"
#include "core/Poller.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <gtest/gtest.h>

namespace {

constexpr quint32 kHour = 3600 * 1000;

class PollerTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    PollerTest()
    {
        engine.setSleepTime(0);
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this](int d) { netChanges.append(d); });
        QObject::connect(&poller, &Poller::allServersUpdated, &poller,
                         [this] { events.append(QStringLiteral("all")); });
        QObject::connect(&poller, &Poller::selectedQueried, &poller, [this](Poller::Refresh kind, int slot) {
            events.append(QStringLiteral("queried %1 %2").arg(static_cast<int>(kind)).arg(slot));
        });
        QObject::connect(&poller, &Poller::selectedSettled, &poller, [this](Poller::Refresh kind, int slot) {
            events.append(QStringLiteral("settled %1 %2").arg(static_cast<int>(kind)).arg(slot));
        });
        QObject::connect(&engine, &QueryEngine::sendFailed, &engine, [this](const QString &m) { failures.append(m); });
    }

    int addChecked(const QString &address, bool checked = true)
    {
        const int slot = table.addServer(address, 7778, QString());
        table.setChecked(table.positionOfSlot(slot), checked);
        return slot;
    }

    bool scanToTheEnd()
    {
        const qsizetype before = netChanges.size();
        poller.scanCheckedServers();
        return waitUntil([&] { return netChanges.size() > before; });
    }

    Poller poller{engine, table};
    QList<int> netChanges;
    QStringList events;
    QStringList failures;
};

TEST_F(PollerTest, ScanTellsTheNetChangeOfPlayerCounts)
{
    const char *before[] = {"2", "5", "0"};
    const char *after[] = {"4", "5", "1"};
    QList<int> slots;
    for (int k = 0; k < 3; ++k) {
        slots.append(addChecked(QStringLiteral("127.0.0.%1").arg(k + 1)));
        table.server(slots[k])->PrevNumPlayers = before[k];
        table.server(slots[k])->NumPlayers = after[k];
    }
    ASSERT_TRUE(scanToTheEnd());
    EXPECT_EQ(netChanges, QList<int>{-3});
    ASSERT_EQ(socket.sent.size(), 9);
    // The count comes with the "\info\" reply, so the scan asks for it first.
    EXPECT_EQ(socket.sent[0].datagram, "\\info\\");
    EXPECT_EQ(socket.sent[1].datagram, "\\players\\");
    EXPECT_EQ(socket.sent[2].datagram, "\\teams\\");

    table.server(slots[1])->NumPlayers = "3";
    ASSERT_TRUE(scanToTheEnd());
    ASSERT_TRUE(scanToTheEnd());
    EXPECT_EQ(netChanges, (QList<int>{-3, 2, 0}));
}

TEST_F(PollerTest, FirstScanCountsEveryoneAsJoined)
{
    table.server(addChecked(QStringLiteral("127.0.0.1")))->NumPlayers = "3";
    table.server(addChecked(QStringLiteral("127.0.0.2")))->NumPlayers = "60";
    ASSERT_TRUE(scanToTheEnd());
    EXPECT_EQ(netChanges, QList<int>{-63});
}

TEST_F(PollerTest, ScanPausesAfterEachCheckedServerOnly)
{
    engine.setSleepTime(kHour);
    table.server(addChecked(QStringLiteral("127.0.0.1"), false))->NumPlayers = "9";
    addChecked(QStringLiteral("127.0.0.2"));
    addChecked(QStringLiteral("127.0.0.3"));
    EXPECT_TRUE(poller.scanCheckedServers());
    runEventLoopFor(20);
    ASSERT_EQ(socket.sent.size(), 3);
    EXPECT_EQ(socket.sent[0].address, QStringLiteral("127.0.0.2"));
    // A timer tick does not start the scan again while it waits.
    EXPECT_FALSE(poller.scanCheckedServers());
    EXPECT_EQ(socket.sent.size(), 3);
    poller.stop();
}

TEST_F(PollerTest, AServerWaitingForItsAddressIsSkippedWithoutStoppingTheScan)
{
    platform.resolver.holdAnswers = true;
    addChecked(QStringLiteral("127.0.0.1"));
    addChecked(QStringLiteral("slow.example.org"));
    addChecked(QStringLiteral("127.0.0.3"));
    ASSERT_TRUE(scanToTheEnd());
    EXPECT_EQ(socket.sent.size(), 6);
    EXPECT_EQ(socket.sent.last().address, QStringLiteral("127.0.0.3"));
}

TEST_F(PollerTest, ATypedNameFailsAndEndsTheScanWithoutResults)
{
    addChecked(QStringLiteral("127.0.0.1"));
    table.setServerAddress(addChecked(QStringLiteral("127.0.0.2")), QStringLiteral("nowhere.invalid"), 7778, QString());
    addChecked(QStringLiteral("127.0.0.3"));
    poller.scanCheckedServers();
    runEventLoopFor(30);
    EXPECT_EQ(failures, QStringList{QStringLiteral("'nowhere' is not a valid integer value")});
    EXPECT_EQ(socket.sent.size(), 3);
    EXPECT_TRUE(netChanges.isEmpty());
    // The next tick scans again from the top.
    EXPECT_TRUE(poller.scanCheckedServers());
}

TEST_F(PollerTest, StopCancelsEveryWalkAndTimer)
{
    engine.setSleepTime(5);
    const int slot = addChecked(QStringLiteral("127.0.0.1"));
    addChecked(QStringLiteral("127.0.0.2"));
    poller.setServerInfoUpdate(true);
    poller.setPlayerInfoUpdate(true);
    poller.startPolling();
    poller.scanCheckedServers();
    poller.updateAllServers();
    poller.refreshSelected(Poller::Refresh::UpdateServerInfo, slot);
    const qsizetype sent = socket.sent.size();
    poller.stop();
    runEventLoopFor(50);
    EXPECT_EQ(socket.sent.size(), sent);
    EXPECT_TRUE(netChanges.isEmpty());
    EXPECT_FALSE(events.contains(QStringLiteral("all")));
    EXPECT_FALSE(poller.playerScanTimer().isActive());
    EXPECT_FALSE(poller.serverInfoTimer().isActive());
    EXPECT_FALSE(poller.playerInfoTimer().isActive());
}

TEST_F(PollerTest, RefreshOfTheSelectedServerTellsBeforeAndAfterThePause)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"));
    engine.setSleepTime(kHour);
    EXPECT_TRUE(poller.refreshSelected(Poller::Refresh::PlayerInfo, slot));
    EXPECT_EQ(socket.sent.size(), 4);
    EXPECT_EQ(events, QStringList{QStringLiteral("queried 1 %1").arg(slot)});
    EXPECT_FALSE(poller.refreshSelected(Poller::Refresh::PlayerInfo, slot));
    // Another kind of refresh is a walk of its own.
    EXPECT_TRUE(poller.refreshSelected(Poller::Refresh::ServerInfo, slot));
    poller.stop();

    engine.setSleepTime(0);
    events.clear();
    poller.refreshSelected(Poller::Refresh::ServerInfo, slot);
    ASSERT_TRUE(waitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events.last(), QStringLiteral("settled 0 %1").arg(slot));
}

TEST_F(PollerTest, UpdateAllAsksEveryServerThenTells)
{
    for (int k = 0; k < 3; ++k)
        addChecked(QStringLiteral("127.0.0.%1").arg(k + 1), k == 1);
    poller.updateAllServers();
    ASSERT_TRUE(waitUntil([&] { return events.contains(QStringLiteral("all")); }));
    EXPECT_EQ(socket.sent.size(), 12);
}

// Deleting servers while a walk waits: the walk drops them and still ends.
struct DeleteCase
{
    const char *name;
    std::function<void(Poller &, int slot)> start;
    int sendsPerServer;
};

class PollerWalkDelete : public PollerTest, public ::testing::WithParamInterface<DeleteCase>
{
};

TEST_P(PollerWalkDelete, ServersDeletedMeanwhileAreDropped)
{
    engine.setSleepTime(2);
    QList<int> slots;
    for (int k = 0; k < 4; ++k)
        slots.append(addChecked(QStringLiteral("127.0.0.%1").arg(k + 1)));
    GetParam().start(poller, slots[0]);
    table.removeAt(3);
    table.removeAt(0);
    runEventLoopFor(60);
    for (const auto &sent : std::as_const(socket.sent)) {
        EXPECT_NE(sent.address, QStringLiteral("127.0.0.4"));
    }
    EXPECT_LE(socket.sent.size(), 3 * GetParam().sendsPerServer);
    // Nothing is told about the deleted selected server.
    EXPECT_FALSE(events.contains(QStringLiteral("settled 2 %1").arg(slots[0])));
}

INSTANTIATE_TEST_SUITE_P(
    Walks, PollerWalkDelete,
    ::testing::Values(DeleteCase{"scan", [](Poller &p, int) { p.scanCheckedServers(); }, 3},
                      DeleteCase{"updateAll", [](Poller &p, int) { p.updateAllServers(); }, 4},
                      DeleteCase{
                          "refresh",
                          [](Poller &p, int slot) { p.refreshSelected(Poller::Refresh::UpdateServerInfo, slot); }, 4}),
    [](const ::testing::TestParamInfo<DeleteCase> &param) { return std::string(param.param.name); });

} // namespace
