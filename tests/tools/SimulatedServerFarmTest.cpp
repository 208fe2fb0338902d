// Farms: varied servers on consecutive ports, with their beacons, and the
// ways a farm's servers fail their clients.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include "support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <algorithm>
#include <memory>
#include <vector>

using namespace GameSimTest;

namespace {

// A client socket of its own per server, so no reply waits behind another's in one buffer.
struct Client
{
    std::unique_ptr<QUdpSocket> socket = std::make_unique<QUdpSocket>();
    QList<QNetworkDatagram> replies;
    bool complete = false;
};

// Waits until every client has its whole reply.
bool allComplete(const std::vector<Client> &clients)
{
    return waitUntil(
        [&] { return std::all_of(clients.begin(), clients.end(), [](const Client &c) { return c.complete; }); });
}

std::vector<Client> queryAll(const SimulatedServerFarm &farm, const QByteArray &request)
{
    std::vector<Client> clients(std::size_t(farm.size()));
    for (int i = 0; i < farm.size(); ++i) {
        Client &client = clients[std::size_t(i)];
        EXPECT_TRUE(client.socket->bind(QHostAddress::LocalHost, 0));
        QObject::connect(client.socket.get(), &QUdpSocket::readyRead, client.socket.get(), [&client] {
            while (client.socket->hasPendingDatagrams()) {
                client.replies.append(client.socket->receiveDatagram());
                client.complete = client.complete || client.replies.constLast().data().contains("\\final\\");
            }
        });
        client.socket->writeDatagram(request, QHostAddress::LocalHost, farm.server(i)->queryPort());
    }
    return clients;
}

QByteArrayList packetIds(const QList<QByteArray> &packets)
{
    QByteArrayList ids;
    for (const QByteArray &packet : packets)
        ids.append(valueOf(packet, "queryid"));
    return ids;
}

SimulatedServerFarm::Faults dropping(int percent)
{
    SimulatedServerFarm::Faults faults;
    faults.dropPercent = percent;
    return faults;
}

} // namespace

TEST(SimulatedServerFarm, BeaconsPointAtTheirServers)
{
    ensureCoreApplication();
    SimulatedServerFarm farm(5);
    ASSERT_TRUE(farm.start(3));
    ASSERT_EQ(farm.startBeacons(0, 0), 3); // ephemeral ports keep this test off 8777
    for (int i = 0; i < 3; ++i) {
        const QList<QByteArray> replies = exchange(farm.beacons().at(i)->port(), "REPORTQUERY");
        EXPECT_EQ(replies, QList<QByteArray>{"ut " + QByteArray::number(farm.server(i)->queryPort())});
    }
}

// More ports ready at once than one wake-up of the shared set takes in.
TEST(SimulatedServerFarm, EveryServerAnswersFromItsOwnPortWhenAllAreAskedAtOnce)
{
    ensureCoreApplication();
    SimulatedServerFarm farm(3);
    ASSERT_TRUE(farm.start(300));
    std::vector<Client> clients = queryAll(farm, "\\status\\");
    ASSERT_TRUE(allComplete(clients));
    for (int i = 0; i < farm.size(); ++i) {
        const SimulatedServer &server = *farm.server(i);
        const QList<QNetworkDatagram> &replies = clients[std::size_t(i)].replies;
        for (const QNetworkDatagram &reply : replies)
            EXPECT_EQ(reply.senderPort(), server.queryPort()) << "server " << i;
        EXPECT_EQ(valueOf(replies.constFirst().data(), "hostport"), QByteArray::number(server.gamePort()));
        EXPECT_EQ(valueOf(replies.constFirst().data(), "numplayers"), QByteArray::number(server.playerCount()));
    }
}

TEST(SimulatedServerFarm, SilentShareIsExactAndSpreadOverTheFarm)
{
    ensureCoreApplication();
    SimulatedServerFarm::Faults faults;
    faults.silentPercent = 7;
    SimulatedServerFarm farm(3);
    farm.setFaults(faults);
    ASSERT_TRUE(farm.start(200));
    QList<int> silent;
    for (int i = 0; i < farm.size(); ++i)
        if (farm.server(i)->config().silent)
            silent.append(i);
    ASSERT_EQ(silent.size(), 14);
    EXPECT_LT(silent.constFirst(), 20);
    EXPECT_GT(silent.constLast(), 180);

    // The farm's servers are the same with or without silent ones.
    SimulatedServerFarm plain(3);
    ASSERT_TRUE(plain.start(200));
    EXPECT_EQ(plain.server(150)->config().hostname, farm.server(150)->config().hostname);

    std::vector<Client> clients = queryAll(farm, "\\info\\");
    ASSERT_TRUE(waitUntil([&] {
        for (int i = 0; i < farm.size(); ++i)
            if (!silent.contains(i) && !clients[std::size_t(i)].complete)
                return false;
        return true;
    }));
    for (const int i : silent)
        EXPECT_TRUE(clients[std::size_t(i)].replies.isEmpty()) << "server " << i;
}

TEST(SimulatedServerFarm, DropLosesSinglePacketsOfRepliesTheSameWayEveryRun)
{
    ensureCoreApplication();
    SimulatedServerFarm first(11);
    first.setFaults(dropping(30));
    ASSERT_TRUE(first.start(12));
    SimulatedServerFarm second(11);
    second.setFaults(dropping(30));
    ASSERT_TRUE(second.start(12));
    SimulatedServerFarm whole(11);
    ASSERT_TRUE(whole.start(12));

    int sent = 0;
    int kept = 0;
    int partial = 0;
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < whole.size(); ++i) {
            // The farms' ports differ, so packets are known by their query id and number.
            const QByteArrayList all = packetIds(whole.server(i)->answer("\\status\\"));
            const QByteArrayList some = packetIds(first.server(i)->answer("\\status\\"));
            ASSERT_EQ(packetIds(second.server(i)->answer("\\status\\")), some);
            for (const QByteArray &packet : some)
                ASSERT_TRUE(all.contains(packet));
            sent += int(all.size());
            kept += int(some.size());
            partial += !some.isEmpty() && some.size() < all.size() ? 1 : 0;
        }
    }
    EXPECT_GT(sent, 600); // several packets per reply, or "partial" means little
    EXPECT_NEAR(double(sent - kept) / sent, 0.30, 0.05);
    EXPECT_GT(partial, 40);

    SimulatedServerFarm all(11);
    all.setFaults(dropping(100));
    ASSERT_TRUE(all.start(2));
    EXPECT_TRUE(all.server(0)->answer("\\status\\").isEmpty());
    EXPECT_EQ(all.server(0)->requestCount(), 1u);
}

TEST(SimulatedServerFarm, EveryKthServerAnswersFromAnotherPort)
{
    ensureCoreApplication();
    SimulatedServerFarm::Faults faults;
    faults.otherPortEvery = 3;
    SimulatedServerFarm farm(3);
    farm.setFaults(faults);
    ASSERT_TRUE(farm.start(7));
    std::vector<Client> clients = queryAll(farm, "\\basic\\");
    ASSERT_TRUE(allComplete(clients));
    for (int i = 0; i < farm.size(); ++i) {
        const SimulatedServer &server = *farm.server(i);
        const bool other = i == 2 || i == 5;
        EXPECT_EQ(server.replyPort() != server.queryPort(), other) << "server " << i;
        EXPECT_EQ(clients[std::size_t(i)].replies.constFirst().senderPort(), server.replyPort()) << "server " << i;
    }
}

// A server on a socket of its own does the same.
TEST(SimulatedServerFarm, LoneServerAnswersFromAnotherPort)
{
    ensureCoreApplication();
    SimulatedServerConfig config;
    config.answerFromOtherPort = true;
    SimulatedServer server(config);
    ASSERT_TRUE(server.start());
    ASSERT_NE(server.replyPort(), server.queryPort());
    QUdpSocket client;
    ASSERT_TRUE(client.bind(QHostAddress::LocalHost, 0));
    client.writeDatagram("\\basic\\", QHostAddress::LocalHost, server.queryPort());
    ASSERT_TRUE(waitUntil([&] { return client.hasPendingDatagrams(); }));
    const QNetworkDatagram reply = client.receiveDatagram();
    EXPECT_EQ(reply.senderPort(), server.replyPort());
    EXPECT_EQ(valueOf(reply.data(), "gamename"), "ut");
}
