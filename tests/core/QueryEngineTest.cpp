#include "core/PollingDelays.h"
#include "core/QueryEngine.h"
#include "core/ServerTable.h"
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
    EXPECT_TRUE(engine.queryServer(slot));
    EXPECT_EQ(sentTo(), (QStringList{QStringLiteral("127.0.0.1:7778 \\info\\"), QStringLiteral("127.0.0.1:7778 \\players\\"),
                                     QStringLiteral("127.0.0.1:7778 \\rules\\"), QStringLiteral("127.0.0.1:7778 \\teams\\")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] send \\info\\ to 127.0.0.1:7778")));
}

TEST_F(QueryEngineTest, UnsetHostsAndFreeSlotsAreNeverSentTo)
{
    QStringList failures;
    QObject::connect(&engine, &QueryEngine::sendFailed, &engine, [&](const QString &message) { failures.append(message); });
    for (const char *unset : {"", "0.0.0.0", "0.0.0", "0.0", "0"})
        EXPECT_TRUE(engine.queryServer(table.addServer(QString::fromLatin1(unset), 7778, QStringLiteral("x"))));
    EXPECT_TRUE(engine.sendQuery(200, "\\info\\"));
    EXPECT_TRUE(engine.sendQuery(-1, "\\info\\"));
    EXPECT_TRUE(socket.sent.isEmpty());
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(QueryEngineTest, ANameForAHostFailsTheSendWithTheConversionError)
{
    QStringList failures;
    QObject::connect(&engine, &QueryEngine::sendFailed, &engine, [&](const QString &message) { failures.append(message); });
    const int slot = addChecked(QStringLiteral("nowhere.invalid"), 7778);
    EXPECT_FALSE(engine.queryServer(slot));
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
