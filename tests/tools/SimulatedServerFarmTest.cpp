// Farms: varied servers on consecutive ports, with their beacons.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <gtest/gtest.h>



using namespace GameSimTest;


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
