// The simulator over real UDP on 127.0.0.1.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

using namespace GameSimTest;

namespace {

class SimulatedServerUdp : public testing::Test
{
protected:
    void SetUp() override
    {
        ensureCoreApplication();
        SimulatedServerConfig c;
        c.setGameType(QStringLiteral("Domination"));
        c.hostname = QStringLiteral("UDP check");
        m_server = std::make_unique<SimulatedServer>(c);
        ASSERT_TRUE(m_server->start());
        ASSERT_NE(m_server->queryPort(), 0);
    }

    std::unique_ptr<SimulatedServer> m_server;
};

} // namespace

TEST_F(SimulatedServerUdp, AnswersOnItsPort)
{
    EXPECT_EQ(m_server->gamePort(), m_server->queryPort() - 1);
    for (int i = 0; i < 40; ++i) {
        SimulatedPlayer p;
        p.name = QStringLiteral("Player number %1").arg(i);
        p.team = i % 2;
        m_server->addPlayer(p);
    }
    const QList<QByteArray> packets = exchange(m_server->queryPort(), "\\status\\");
    ASSERT_GE(packets.size(), 3);
    EXPECT_EQ(valueOf(packets.front(), "hostname"), QByteArray("UDP check"));
    EXPECT_EQ(valueOf(packets.front(), "hostport"), QByteArray::number(m_server->gamePort()));
    EXPECT_TRUE(packets.back().endsWith("\\final\\"));
    QByteArray all;
    for (const QByteArray &packet : packets)
        all += payloadOf(packet);
    EXPECT_TRUE(all.contains("\\player_39\\Player number 39\\"));
}

TEST_F(SimulatedServerUdp, ClientsShareOneQueryCounter)
{
    QList<QByteArray> ids;
    for (int i = 0; i < 4; ++i) {
        // A fresh source port every time, like separate clients.
        const QList<QByteArray> packets = exchange(m_server->queryPort(), "\\basic\\");
        ASSERT_EQ(packets.size(), 1);
        ids.append(valueOf(packets.front(), "queryid"));
    }
    EXPECT_EQ(ids, (QList<QByteArray>{"1.1", "2.1", "3.1", "4.1"}));
}

TEST_F(SimulatedServerUdp, SilentServerTakesQueriesButNeverAnswers)
{
    m_server->setSilent(true);
    EXPECT_TRUE(exchange(m_server->queryPort(), "\\status\\", 300).isEmpty());
    EXPECT_TRUE(exchange(m_server->queryPort(), "\\info\\", 300).isEmpty());
    EXPECT_EQ(m_server->requestCount(), 2u);
    m_server->setSilent(false);
    const QList<QByteArray> packets = exchange(m_server->queryPort(), "\\info\\");
    ASSERT_EQ(packets.size(), 1);
    EXPECT_EQ(valueOf(packets.front(), "queryid"), QByteArray("3.1"));
}

TEST_F(SimulatedServerUdp, MalformedRequestGetsNothingBack)
{
    EXPECT_TRUE(exchange(m_server->queryPort(), "\\status", 300).isEmpty());
    EXPECT_EQ(m_server->requestCount(), 1u);
}

TEST_F(SimulatedServerUdp, StopFreesThePort)
{
    const quint16 port = m_server->queryPort();
    m_server->stop();
    EXPECT_FALSE(m_server->isRunning());
    QUdpSocket socket;
    EXPECT_TRUE(socket.bind(QHostAddress::LocalHost, port));
}
