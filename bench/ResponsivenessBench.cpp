// The window while the player scan walks 256 checked servers with the
// default pacing (SleepTime 20 ms): the longest stretch during which the
// event loop did not come round, which bounds the longest handler.
#include "SimulatorProcess.h"
#include "StallMeter.h"
#include "config/ConfigFile.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

constexpr int kServers = 256;
constexpr quint16 kBasePort = 44000;

void playerScan256(benchmark::State &state)
{
    const SimulatorProcess sim(kServers, kBasePort, {QStringLiteral("--churn"), QStringLiteral("2000")});
    if (!sim.isReady()) {
        state.SkipWithError("the simulator did not start");
        return;
    }

    QTemporaryDir profile;
    ConsoleMessageBoxes messages;
    FakeFileDialogs files;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;
    QueryStack stack(socket, platform.services, false);
    ServerTable &table = stack.table;
    stack.engine.bindMain(0);
    ConfigFile config(profile.filePath(QStringLiteral("Quorvelin.ini")), messages);
    MainWindow window({stack, messages, files, config, Settings{}, profile.path()});
    Poller &poller = *window.findChild<Poller *>();
    for (int k = 0; k < kServers; ++k) {
        table.addServer(QStringLiteral("127.0.0.1"), kBasePort + k, QString());
        table.setChecked(k, true);
    }
    // The first showing queries every server once; then only the scans run.
    window.show();
    while (!poller.playerScanTimer().isActive())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    poller.stop();
    window.findChild<ServerListView *>(QStringLiteral("clb_Servers"))->setCurrentIndex(table.index(3));

    StallMeter meter;
    qint64 worstOverall = 0;
    for (auto _ : state) {
        meter.start();
        bool scanned = false;
        const QMetaObject::Connection done =
            QObject::connect(&poller, &Poller::playerScanFinished, &poller, [&scanned] { scanned = true; });
        poller.scanCheckedServers();
        while (!scanned)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QObject::disconnect(done);
        state.SetIterationTime(static_cast<double>(meter.stop()) / 1000.0);
        worstOverall = std::max(worstOverall, meter.longestGap());
    }
    state.counters["longest_gap_ms"] = static_cast<double>(worstOverall);
    window.close();
}
BENCHMARK(playerScan256)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
