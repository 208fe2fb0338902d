// Farms: varied servers on consecutive ports, deterministic churn.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QSet>
#include <QTimer>

#include <algorithm>

using namespace GameSimTest;

namespace {

struct Snapshot
{
    QList<QByteArray> statuses;
    friend bool operator==(const Snapshot &, const Snapshot &) = default;
};

// What each server reports, with the query ids taken out.
Snapshot snapshot(const SimulatedServerFarm &farm)
{
    Snapshot s;
    for (SimulatedServer *server : farm.servers()) {
        SimulatedServer copy(server->config());
        copy.setPlayers(server->players());
        QByteArray all;
        for (const QByteArray &packet : copy.answer("\\status\\\\teams\\"))
            all += payloadOf(packet);
        s.statuses.append(all);
    }
    return s;
}

} // namespace

TEST(SimulatedServerFarm, ServersAreVariedAndReachable)
{
    ensureCoreApplication();
    SimulatedServerFarm farm(7);
    ASSERT_TRUE(farm.start(12));
    ASSERT_EQ(farm.size(), 12);

    QSet<quint16> ports;
    QSet<QString> types, hostnames, maps;
    QSet<int> capacities;
    bool nonAscii = false;
    for (SimulatedServer *server : farm.servers()) {
        const SimulatedServerConfig &c = server->config();
        ports.insert(server->queryPort());
        types.insert(c.gameType);
        hostnames.insert(c.hostname);
        maps.insert(c.mapName);
        capacities.insert(c.maxPlayers);
        EXPECT_EQ(c.teamGame, SimulatedServerConfig::isTeamGameType(c.gameType));
        EXPECT_LE(server->playerCount(), c.maxPlayers);
        QSet<QString> names;
        for (const SimulatedPlayer &p : server->players()) {
            EXPECT_FALSE(names.contains(p.name)) << qPrintable(p.name);
            names.insert(p.name);
            EXPECT_LE(p.name.size(), 20);
            EXPECT_EQ(p.team == 255, !c.teamGame);
            nonAscii = nonAscii || std::any_of(p.name.cbegin(), p.name.cend(), [](QChar ch) { return ch.unicode() > 0x7f; });
        }
        const QList<QByteArray> packets = exchange(server->queryPort(), "\\info\\");
        ASSERT_EQ(packets.size(), 1);
        EXPECT_EQ(valueOf(packets.front(), "hostname"), c.hostname.toLatin1());
        EXPECT_EQ(valueOf(packets.front(), "numplayers"), QByteArray::number(server->playerCount()));
    }
    EXPECT_EQ(ports.size(), 12);
    EXPECT_EQ(types.size(), 6);
    EXPECT_EQ(hostnames.size(), 12);
    EXPECT_GE(maps.size(), 10);
    EXPECT_GE(capacities.size(), 3);
    EXPECT_TRUE(nonAscii);
}

TEST(SimulatedServerFarm, SameRandomStartSameHistory)
{
    ensureCoreApplication();
    SimulatedServerFarm a(42), b(42), c(43);
    ASSERT_TRUE(a.start(6));
    ASSERT_TRUE(b.start(6));
    ASSERT_TRUE(c.start(6));
    EXPECT_EQ(snapshot(a), snapshot(b));
    EXPECT_NE(snapshot(a), snapshot(c));

    const Snapshot before = snapshot(a);
    for (int step = 0; step < 30; ++step) {
        a.churnOnce();
        b.churnOnce();
    }
    EXPECT_EQ(snapshot(a), snapshot(b));
    EXPECT_NE(snapshot(a), before);
    for (SimulatedServer *server : a.servers())
        EXPECT_LE(server->playerCount(), server->config().maxPlayers);
}

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
