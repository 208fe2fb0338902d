// The master server dialog with a list of 5,000 servers: parsing the list,
// filling and sorting its rows, the whole fetch from a master on 127.0.0.1,
// and how long the event loop is held up while every row is queried.
#include "SimulatorProcess.h"
#include "config/ConfigFile.h"
#include "discovery/MasterList.h"
#include "discovery/MasterRows.h"
#include "discovery/dialogs/MasterServerDialog.h"
#include "platform/SystemTickClock.h"
#include "platform/UdpSocketFactory.h"
#include "support/FakePlatform.h"

#include "ListedServer.h"
#include "SimulatedMaster.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace {

constexpr int kServers = 5000;
// Query ports of the listed servers in the fetch: below the system's
// ephemeral range, and checked to be free before the run.
constexpr quint16 kSilentFirstPort = 18000;
// Query ports of the listed servers in the ping walk: the game server
// simulator answers on the first kAnswering of them, the rest stay silent.
constexpr quint16 kWalkFirstPort = 24000;
constexpr int kAnswering = 4096;
constexpr int kWaitMs = 30000;

QByteArray masterReply()
{
    QByteArray reply;
    for (int i = 0; i < kServers; ++i)
        reply += QByteArrayLiteral("\\ip\\") + syntheticAddress(static_cast<quint32>(i)) + QByteArrayLiteral(":7778");
    return reply + QByteArrayLiteral("\\final\\");
}

QByteArray httpBody()
{
    QByteArray body;
    for (int i = 0; i < kServers; ++i)
        body += syntheticAddress(static_cast<quint32>(i)) + QByteArrayLiteral(":7777\r\n");
    return body;
}

// True when no socket holds any of the count UDP ports from first on.
bool portsFree(quint16 first, int count)
{
    for (int i = 0; i < count; ++i) {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress::LocalHost, static_cast<quint16>(first + i), QUdpSocket::DontShareAddress))
            return false;
    }
    return true;
}

// Runs the event loop until done() holds; false when the time ran out first.
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Wakes the loop at the deadline should nothing else happen.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void parseServerList5000(benchmark::State &state)
{
    const QByteArray reply = masterReply();
    for (auto _ : state) {
        const QList<MasterList::ListedServer> servers = MasterList::parseServerList(reply);
        if (servers.size() != kServers) {
            state.SkipWithError("the list did not parse");
            return;
        }
        benchmark::DoNotOptimize(servers.constData());
    }
    state.SetBytesProcessed(state.iterations() * reply.size());
}
BENCHMARK(parseServerList5000)->Name("BM_ParseServerList5000")->Unit(benchmark::kMicrosecond);

void parseHttpList5000(benchmark::State &state)
{
    const QByteArray body = httpBody();
    for (auto _ : state) {
        const QList<MasterList::ListedServer> servers = MasterList::parseHttpList(body);
        if (servers.size() != kServers) {
            state.SkipWithError("the list did not parse");
            return;
        }
        benchmark::DoNotOptimize(servers.constData());
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(parseHttpList5000)->Name("BM_ParseHttpList5000")->Unit(benchmark::kMicrosecond);

void fillRows5000(benchmark::State &state)
{
    const QList<MasterList::ListedServer> servers = MasterList::parseServerList(masterReply());
    MasterRows rows;
    for (auto _ : state) {
        rows.setServers(servers);
        benchmark::DoNotOptimize(rows.count());
    }
}
BENCHMARK(fillRows5000)->Name("BM_FillRows5000")->Unit(benchmark::kMicrosecond);

// Rows as after a ping walk: nine in ten answered, with pings from 1 to 999
// in random order; the rest timed out and have none.
void fillAnsweredRows(MasterRows &rows, const QList<MasterList::ListedServer> &servers, QRandomGenerator &rng)
{
    rows.setServers(servers);
    for (int i = 0; i < rows.count(); ++i) {
        if (rng.bounded(10) == 0)
            continue;
        rows.markQueried(i, 0);
        const QByteArray reply = QByteArrayLiteral("\\hostname\\Server ") + QByteArray::number(i)
                                 + QByteArrayLiteral("\\gametype\\CTFGame\\gamever\\451\\final\\");
        rows.applyReply(i, reply, static_cast<quint32>(rng.bounded(1, 1000)));
    }
}

void sortByPing5000(benchmark::State &state)
{
    const QList<MasterList::ListedServer> servers = MasterList::parseServerList(masterReply());
    QRandomGenerator rng(1);
    MasterRows rows;
    for (auto _ : state) {
        state.PauseTiming();
        fillAnsweredRows(rows, servers, rng);
        state.ResumeTiming();
        rows.sortByColumn(MasterRows::PingColumn);
    }
}
BENCHMARK(sortByPing5000)->Name("BM_SortByPing5000")->Unit(benchmark::kMicrosecond);

// The dialog, shown offscreen with its own UDP socket, and a validating
// master on 127.0.0.1 that lists the servers.
class MasterDialogSetup final
{
public:
    explicit MasterDialogSetup(const QList<ListedServer> &listed, quint32 sleepTime)
        : m_config(m_profile.filePath(QStringLiteral("Quorvelin.ini")), messages)
    {
        SimulatedMasterConfig masterConfig;
        masterConfig.servers = listed;
        masterConfig.validating = true;
        masterConfig.challenge = QByteArrayLiteral("ABCDEF");
        m_master = std::make_unique<SimulatedMaster>(masterConfig);
        if (!m_master->listen(0))
            return;
        // Out of range on purpose: the dialog's socket takes a port of the system's choosing.
        const int localPort = -1;
        dialog = std::make_unique<MasterServerDialog>(MasterServerDialog::Context{
            m_config, m_sockets, m_clock, messages, localPort, sleepTime, [] { return 0; }});
        const QString entry = QStringLiteral("127.0.0.1:%1").arg(m_master->port());
        dialog->setMasterServers({entry});
        auto *masters = dialog->findChild<QComboBox *>(QStringLiteral("cb_MasterServer"));
        if (!masters)
            return;
        masters->setCurrentIndex(0);
        dialog->show();
        QCoreApplication::processEvents();
        // Never anything but the simulated master.
        m_ready = masters->currentText() == entry;
    }

    ~MasterDialogSetup()
    {
        if (dialog)
            dialog->reject();
        // Before the configuration, socket factory and clock it refers to.
        dialog.reset();
    }

    bool isReady() const { return m_ready; }

    FakeMessageBoxes messages;
    std::unique_ptr<MasterServerDialog> dialog;

private:
    QTemporaryDir m_profile;
    ConfigFile m_config;
    UdpSocketFactory m_sockets;
    SystemTickClock m_clock;
    std::unique_ptr<SimulatedMaster> m_master;
    bool m_ready = false;
};

// From Connect until the rows hold the whole list: the exchange with the
// master, the parse and the fill, as the user waits for them.
void fetchAndFill5000(benchmark::State &state)
{
    if (!portsFree(kSilentFirstPort, kServers)) {
        state.SkipWithError("a listed port is in use");
        return;
    }
    MasterDialogSetup setup(generatedServers(kServers, kSilentFirstPort, 1), 1);
    if (!setup.isReady()) {
        state.SkipWithError("the dialog or the simulated master did not start");
        return;
    }
    MasterServerDialog &dialog = *setup.dialog;
    MasterRows &rows = dialog.rows();
    QElapsedTimer clock;
    qint64 filledNs = -1;
    // The rows are replaced in one reset; it ends once they are filled.
    QObject::connect(&rows, &MasterRows::modelReset, &rows, [&] {
        if (rows.count() == kServers)
            filledNs = clock.nsecsElapsed();
    });
    for (auto _ : state) {
        filledNs = -1;
        clock.start();
        dialog.connectToMaster();
        if (!waitUntil([&] { return filledNs >= 0 || !setup.messages.errors.isEmpty(); }, kWaitMs) || filledNs < 0) {
            state.SkipWithError("the list did not arrive");
            return;
        }
        state.SetIterationTime(static_cast<double>(filledNs) / 1e9);
        // Stops the ping walk that began, and starts the next round empty.
        dialog.cancel();
        rows.clear();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(fetchAndFill5000)->Name("BM_FetchAndFill5000")->UseManualTime()->Unit(benchmark::kMillisecond);

// The event loop during the ping walk over 5,000 rows with a pause of 1 ms,
// most of them answering: the longest stretch between two beats of a 1 ms
// timer bounds the longest handler.
void pingResponsiveness5000(benchmark::State &state)
{
    const SimulatorProcess sim(kAnswering, kWalkFirstPort);
    if (!sim.isReady()) {
        state.SkipWithError("the game server simulator did not start");
        return;
    }
    if (!portsFree(kWalkFirstPort + kAnswering, kServers - kAnswering)) {
        state.SkipWithError("a listed port is in use");
        return;
    }
    MasterDialogSetup setup(generatedServers(kServers, kWalkFirstPort, 1), 1);
    if (!setup.isReady()) {
        state.SkipWithError("the dialog or the simulated master did not start");
        return;
    }
    MasterServerDialog &dialog = *setup.dialog;
    MasterRows &rows = dialog.rows();

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worstFetch = 0;
    qint64 worstWalk = 0;
    bool walking = false;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, &beat, [&] {
        const qint64 now = clock.elapsed();
        qint64 &worst = walking ? worstWalk : worstFetch;
        worst = std::max(worst, now - last);
        last = now;
    });
    QObject::connect(&rows, &MasterRows::modelReset, &rows, [&] {
        if (rows.count() == kServers)
            walking = true;
    });

    qint64 walkMs = 0;
    for (auto _ : state) {
        clock.start();
        last = 0;
        beat.start(1);
        dialog.connectToMaster();
        if (!waitUntil([&] { return walking || !setup.messages.errors.isEmpty(); }, kWaitMs) || !walking) {
            state.SkipWithError("the list did not arrive");
            return;
        }
        const qint64 walkStart = clock.elapsed();
        // The dialog is busy until the last row's pause has passed.
        if (!waitUntil([&] { return !dialog.isBusy(); }, 10 * kWaitMs)) {
            state.SkipWithError("the ping walk did not finish");
            return;
        }
        walkMs = clock.elapsed() - walkStart;
        beat.stop();
    }
    int answered = 0;
    for (int i = 0; i < rows.count(); ++i) {
        if (!rows.row(i).name.isEmpty())
            ++answered;
    }
    state.counters["longest_gap_ms"] = static_cast<double>(worstWalk);
    state.counters["fetch_longest_gap_ms"] = static_cast<double>(worstFetch);
    state.counters["walk_ms"] = static_cast<double>(walkMs);
    state.counters["answered"] = answered;
}
BENCHMARK(pingResponsiveness5000)
    ->Name("BM_PingResponsiveness5000")
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
