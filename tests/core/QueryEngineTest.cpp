#include "core/PollingDelays.h"
#include "core/QueryEngine.h"
#include "core/ServerTable.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

class QueryEngineTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    int addChecked(const QString &address, int port)
    {
        const int slot = table.addServer(address, port, QString());
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
};

TEST_F(QueryEngineTest, QueryServerSendsTheFourQueriesInOrder)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(engine.queryServer(slot), QueryEngine::Sent::Yes);
    EXPECT_EQ(sentTo(),
              (QStringList{QStringLiteral("127.0.0.1:7778 \\info\\"), QStringLiteral("127.0.0.1:7778 \\players\\"),
                           QStringLiteral("127.0.0.1:7778 \\rules\\"), QStringLiteral("127.0.0.1:7778 \\teams\\")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] send \\info\\ to 127.0.0.1:7778")));
}

TEST_F(QueryEngineTest, UnsetHostsAndFreeSlotsAreNeverSentTo)
{
    QStringList failures;
    QObject::connect(&engine, &QueryEngine::sendFailed, &engine,
                     [&](const QString &message) { failures.append(message); });
    for (const char *unset : {"", "0.0.0.0", "0.0.0", "0.0", "0"})
        EXPECT_EQ(engine.queryServer(table.addServer(QString::fromLatin1(unset), 7778, QStringLiteral("x"))),
                  QueryEngine::Sent::NotSent);
    EXPECT_EQ(engine.sendQuery(200, "\\info\\"), QueryEngine::Sent::NotSent);
    EXPECT_EQ(engine.sendQuery(-1, "\\info\\"), QueryEngine::Sent::NotSent);
    EXPECT_TRUE(socket.sent.isEmpty());
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(QueryEngineTest, ANameIsSentToOnlyOnceItsAddressIsKnown)
{
    platform.resolver.names.insert(QStringLiteral("ut.example.org"), QStringLiteral("192.0.2.7"));
    const int slot = addChecked(QStringLiteral("ut.example.org"), 7778);
    EXPECT_EQ(engine.queryServer(slot), QueryEngine::Sent::NotSent);
    EXPECT_TRUE(socket.sent.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return table.addressState(slot) == ServerTable::AddressState::Known; }));
    EXPECT_EQ(engine.queryServer(slot), QueryEngine::Sent::Yes);
    EXPECT_EQ(sentTo().first(), QStringLiteral("192.0.2.7:7778 \\info\\"));

    // A name that failed is looked up again at the next try, and not sent to.
    const int failed = addChecked(QStringLiteral("nowhere.invalid"), 7778);
    ASSERT_TRUE(waitUntil([&] { return table.addressState(failed) == ServerTable::AddressState::Failed; }));
    EXPECT_EQ(engine.queryServer(failed), QueryEngine::Sent::NotSent);
    EXPECT_EQ(table.addressState(failed), ServerTable::AddressState::LookingUp);
    EXPECT_EQ(platform.resolver.lookUps.count(QStringLiteral("nowhere.invalid")), 2);
}

TEST_F(QueryEngineTest, ATypedNameFailsTheSendWithTheConversionError)
{
    QStringList failures;
    QObject::connect(&engine, &QueryEngine::sendFailed, &engine,
                     [&](const QString &message) { failures.append(message); });
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    table.setServerAddress(slot, QStringLiteral("nowhere.invalid"), 7778, QStringLiteral("typed"));
    EXPECT_EQ(engine.queryServer(slot), QueryEngine::Sent::Failed);
    EXPECT_EQ(failures, QStringList{QStringLiteral("'nowhere' is not a valid integer value")});
    EXPECT_TRUE(socket.sent.isEmpty());
}

TEST_F(QueryEngineTest, NothingIsTakenInAfterReceivingStopped)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    engine.stopReceiving();
    reply("\\hostname\\late\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.server(slot)->HostName, "");
}

TEST_F(QueryEngineTest, PingRunsFromTheOldestUnansweredQuery)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    engine.sendQuery(slot, "\\players\\");
    platform.clock.advance(5);
    engine.sendQuery(slot, "\\teams\\");
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
    engine.sendQuery(slot, "\\info\\");
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

TEST_F(QueryEngineTest, TheDebugLogStaysSmallUnderFloodsAndHugeDatagrams)
{
    // Strangers: ten lines a second, then a count of the rest.
    for (int k = 0; k < 50; ++k)
        reply("\\x\\", QStringLiteral("127.0.0.9"), 7778);
    EXPECT_EQ(lines.size(), 10);
    platform.clock.advance(1000);
    reply("\\x\\", QStringLiteral("127.0.0.9"), 7778);
    EXPECT_EQ(lines.last(), QStringLiteral("[12:00:00] received data from unknown location : 127.0.0.9:7778 "
                                           "(40 more from unknown locations not shown)"));

    // A listed server's long datagram is shown cut, with its length.
    addChecked(QStringLiteral("127.0.0.1"), 7778);
    reply(QByteArray(60000, 'y'), QStringLiteral("127.0.0.1"), 7778);
    EXPECT_LT(lines.last().size(), 2200);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("... (60000 bytes in all)")));
}

TEST_F(QueryEngineTest, ReplyRefreshesTheListCountsWhenTheyChange)
{
    const int slot = addChecked(QStringLiteral("127.0.0.1"), 7778);
    reply("\\numplayers\\4\\maxplayers\\16\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(table.entry(slot)->CurPlayers, "4");
    EXPECT_EQ(table.entry(slot)->MaxPlayers, "16");
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
    EXPECT_EQ(PollingDelays::playerInfoDelaySeconds(GetParam().position), GetParam().seconds);
    EXPECT_EQ(PollingDelays::playerInfoDelayLabel(GetParam().position),
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
    EXPECT_EQ(PollingDelays::serverListDelayLabel(10), QStringLiteral("update every 10 seconds"));
    EXPECT_EQ(PollingDelays::serverInfoDelayLabel(3), QStringLiteral("     Update server info every 3 minutes"));
}

} // namespace
