// "Update all servers" with SleepTime 0 over 256 simulated servers running in
// their own process: time from the first query until every reply is decoded.
#include "SimulatorProcess.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

namespace {

constexpr int kServers = 256;
constexpr quint16 kBasePort = 42000;
constexpr int kFinalsPerServer = 4;

void updateAll(benchmark::State &state)
{
    const SimulatorProcess sim(kServers, kBasePort);
    if (!sim.isReady()) {
        state.SkipWithError("the simulator did not start");
        return;
    }

    ConsoleMessageBoxes messages;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;
    QueryStack stack(socket, platform.services, false);
    ServerTable &table = stack.table;
    QueryEngine &engine = stack.engine;
    Poller poller(engine, table);
    engine.setSleepTime(0);
    engine.bindMain(0);
    for (int k = 0; k < kServers; ++k)
        table.addServer(QStringLiteral("127.0.0.1"), kBasePort + k, QString());

    int finals = 0;
    QObject::connect(&engine, &QueryEngine::replyDecoded, &engine, [&](int, const QByteArray &datagram) {
        if (datagram.contains("\\final\\"))
            ++finals;
    });

    int incomplete = 0;
    for (auto _ : state) {
        finals = 0;
        QElapsedTimer timer;
        timer.start();
        poller.updateAllServers();
        const QDeadlineTimer deadline(5000);
        while (finals < kServers * kFinalsPerServer && !deadline.hasExpired())
            QCoreApplication::processEvents();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (finals < kServers * kFinalsPerServer)
            ++incomplete;
        // Let the walk finish and stray replies drain before the next run.
        const QDeadlineTimer settle(50);
        while (!settle.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    state.counters["incomplete_runs"] = incomplete;
}
BENCHMARK(updateAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
