// The LAN beacon: REPORTQUERY and REPORT answered to the sender, the rest ignored.

#include "GameSimTestSupport.h"
#include "LanBeacon.h"
#include "SimulatedServer.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QUdpSocket>

using namespace GameSimTest;

namespace {

class LanBeaconTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        SimulatedServerConfig c;
        c.setGameType(QStringLiteral("CTFGame"));
        c.mapTitle = QStringLiteral("The Ultimate Facing Worlds Remix");
        c.computerName = QStringLiteral("lanbox");
        c.maxPlayers = 12;
        m_server = std::make_unique<SimulatedServer>(c);
        ASSERT_TRUE(m_server->start());
        m_server->addPlayer(SimulatedPlayer{QStringLiteral("a")});
        m_server->addPlayer(SimulatedPlayer{QStringLiteral("b")});
    }

    std::unique_ptr<SimulatedServer> m_server;
};

} // namespace

TEST_F(LanBeaconTest, AnswersExactQueriesOnly)
{
    LanBeacon beacon(m_server.get());
    ASSERT_TRUE(beacon.start(0));
    const QByteArray queryPort = QByteArray::number(m_server->queryPort());
    const QByteArray gamePort = QByteArray::number(m_server->gamePort());

    struct Case
    {
        const char *request;
        QByteArray reply; // empty: ignored
    };
    const Case cases[] = {
        {"REPORTQUERY", "ut " + queryPort},
        {"REPORT", "ut " + gamePort + " lanbox The Ultimate Facing Worl CTF 2/12"},
        {"reportquery", {}},
        {"REPORTQUERY\n", {}},
        {"REPORT ", {}},
        {"\\status\\", {}},
        {"", {}},
    };
    for (const Case &c : cases) {
        const QList<QByteArray> replies = exchange(beacon.port(), c.request, 250);
        if (c.reply.isEmpty())
            EXPECT_TRUE(replies.isEmpty()) << c.request;
        else
            EXPECT_EQ(replies, QList<QByteArray>{c.reply}) << c.request;
    }
}

TEST_F(LanBeaconTest, ReportTextKeepsWindows1252Punctuation)
{
    SimulatedServerConfig c = m_server->config();
    c.computerName = QStringLiteral("Fragger\u2122");
    c.mapTitle = QStringLiteral("Morpheus\u2019 \u20ac-Deck \u2013 Final");
    c.maxPlayers = 12;
    SimulatedServer server(c);
    ASSERT_TRUE(server.start());
    LanBeacon beacon(&server);
    ASSERT_TRUE(beacon.start(0));
    const QByteArray expected = "ut " + QByteArray::number(server.gamePort())
                                + " Fragger\x99 Morpheus\x92 \x80-Deck \x96 Final " + c.beaconName.toLatin1() + " 0/12";
    EXPECT_EQ(beacon.reportReply(), expected);
    EXPECT_EQ(exchange(beacon.port(), "REPORT"), QList<QByteArray>{expected});
}

TEST_F(LanBeaconTest, TakesTheNextFreePort)
{
    QUdpSocket blocker;
    ASSERT_TRUE(blocker.bind(QHostAddress::LocalHost, 0));
    const quint16 busy = blocker.localPort();
    if (busy > 65535 - 20)
        GTEST_SKIP() << "ephemeral port too close to the top of the range";

    LanBeacon first(m_server.get());
    ASSERT_TRUE(first.start(busy, quint16(busy + 20)));
    EXPECT_GT(first.port(), busy);
    LanBeacon second(m_server.get());
    ASSERT_TRUE(second.start(busy, quint16(busy + 20)));
    EXPECT_GT(second.port(), first.port());
    EXPECT_EQ(exchange(second.port(), "REPORTQUERY"),
              QList<QByteArray>{"ut " + QByteArray::number(m_server->queryPort())});

    LanBeacon none(m_server.get());
    EXPECT_FALSE(none.start(busy, busy));
    EXPECT_FALSE(none.isRunning());
}
