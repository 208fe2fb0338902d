#pragma once

#include "EventLoopWait.h"
#include "FakePlatform.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"

#include <QHash>
#include <QList>

// Simulated game servers on 127.0.0.1 (the farm rngStart makes), all
// checked, scanned by the engine with its real UDP socket on a tick clock
// that is moved on before each scan: rounds are judged by it, and nothing
// waits for time to pass.
struct SimulatedFarmScans
{
    explicit SimulatedFarmScans(quint64 rngStart)
        : farm(rngStart)
    {
        engine.setSleepTime(0);
        bound = engine.bindMain(0);
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this] { ++scans; });
        // A scan ends once its queries are sent; its replies are read later.
        // Each answered query ends in a \final\ packet, so counting them
        // tells when a server's replies are all in.
        QObject::connect(&engine, &QueryEngine::replyDecoded, &engine, [this](int slot, const QByteArray &datagram) {
            if (datagram.contains("\\final\\"))
                ++finalReplies[slot];
        });
    }

    // Starts count servers and adds each as a checked row.
    bool start(int count)
    {
        if (!bound || !farm.start(count))
            return false;
        for (SimulatedServer *server : farm.servers()) {
            const int slot = table.addServer(QStringLiteral("127.0.0.1"), server->queryPort(), QString());
            table.setChecked(table.positionOfSlot(slot), true);
            slots.append(slot);
        }
        return true;
    }

    // Moves the clock on, scans once and waits until every server has taken
    // the scan's three queries and every reply owed is in.
    bool scan(quint32 intervalMs)
    {
        clock.advance(intervalMs);
        for (int k = 0; k < farm.size(); ++k) {
            const SimulatedServerConfig &config = farm.server(k)->config();
            if (!config.silent)
                expectedFinals[slots[k]] += 3 - int(config.unansweredQueries.size());
        }
        const int before = scans;
        if (!poller.scanCheckedServers() || !waitUntil([&] { return scans > before; }, 10000))
            return false;
        ++scansSent;
        return waitUntil(
            [&] {
                for (int k = 0; k < farm.size(); ++k) {
                    if (farm.server(k)->requestCount() != quint64(3 * scansSent)
                        || finalReplies.value(slots[k]) != expectedFinals.value(slots[k]))
                        return false;
                }
                return true;
            },
            10000);
    }

    static PlatformServices onClock(PlatformServices services, TickClock &clock)
    {
        services.clock = &clock;
        return services;
    }

    ConsoleMessageBoxes messages;
    SystemPlatform platform{messages};
    FakeTickClock clock;
    UdpDatagramSocket socket;
    QueryStack stack{socket, onClock(platform.services, clock), false};
    ServerTable &table = stack.table;
    QueryEngine &engine = stack.engine;
    Poller poller{engine, table};
    SimulatedServerFarm farm;
    bool bound = false;
    QList<int> slots;
    int scans = 0;
    int scansSent = 0;
    QHash<int, int> finalReplies;
    QHash<int, int> expectedFinals;
};
