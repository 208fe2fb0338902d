// The history at its full size: 256 servers polled every 10 seconds for 30
// days, filled through the store itself so its own minute merging and
// thinning decide what is kept. Reports the file's size, one walk's writes,
// seven days of one server read for the graph, and the time to open the
// full file (warm, and in a fresh process with the driver still to load).
//
// bench_history [--history-dir DIR] [benchmark options]: with DIR the full
// file is kept there and reused by later runs.
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace {

constexpr int kServers = 256;
constexpr int kMaxPlayers = 16;
constexpr int kRegulars = 300;
constexpr qint64 kWalkSeconds = 10;
constexpr qint64 kDays = 30;
// A Monday, 00:00 UTC.
constexpr qint64 kStart = 1'700'438'400;
constexpr qint64 kEnd = kStart + kDays * HistoryStore::kDay;

const QStringList &mapNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (int k = 0; k < 40; ++k)
            list.append(QStringLiteral("CTF-Map%1][ Remake").arg(k));
        return list;
    }();
    return names;
}

HistoryServer serverOf(int k)
{
    return {QStringLiteral("10.0.%1.%2").arg(k / 200).arg(k % 200 + 1), 7778 + (k % 3) * 100};
}

QString serverNameOf(int k)
{
    return QStringLiteral("[FARM] Server %1 | 24/7 CTF | www.example.org").arg(k);
}

// A day's rhythm per server; four in ten servers stay empty.
int playersAt(int server, qint64 time)
{
    if (server % 10 < 4)
        return 0;
    const double phase =
        2 * std::numbers::pi * (double(time % HistoryStore::kDay) / HistoryStore::kDay + server / 37.0);
    const double load = (std::sin(phase) + 1) / 2;
    return int(std::lround(kMaxPlayers * load * load));
}

QStringList playerNames(int server, qint64 time, int count)
{
    QStringList names;
    // Each server's regulars come and go on its own half hour.
    const qint64 first = (time + server * 421) / 1800 + server * 7;
    for (int k = 0; k < count; ++k)
        names.append(QStringLiteral("Regular|%1-%2").arg(server).arg((first + k * 13) % kRegulars));
    return names;
}

// What the replies of one walk tell the store.
struct Walk
{
    qint64 time = 0;
    QList<HistorySample> samples;
    QList<QStringList> players;
};

Walk walkAt(qint64 time)
{
    Walk walk{time, {}, {}};
    for (int k = 0; k < kServers; ++k) {
        const int players = playersAt(k, time);
        walk.samples.append({time, players, kMaxPlayers, mapNames()[int((time / 1200 + k) % mapNames().size())]});
        walk.players.append(playerNames(k, time, players));
    }
    return walk;
}

const QList<HistoryServer> &servers()
{
    static const QList<HistoryServer> list = [] {
        QList<HistoryServer> all;
        for (int k = 0; k < kServers; ++k)
            all.append(serverOf(k));
        return all;
    }();
    return list;
}

const QStringList &serverNames()
{
    static const QStringList list = [] {
        QStringList all;
        for (int k = 0; k < kServers; ++k)
            all.append(serverNameOf(k));
        return all;
    }();
    return list;
}

void write(HistoryStore &store, const Walk &walk)
{
    store.beginWalk();
    for (int k = 0; k < kServers; ++k) {
        store.addSample(servers()[k], serverNames()[k], walk.samples[k]);
        if (!walk.players[k].isEmpty())
            store.addPlayers(servers()[k], serverNames()[k], walk.players[k], walk.time);
    }
    store.commitWalk(walk.time);
}

void writeWalk(HistoryStore &store, qint64 time)
{
    write(store, walkAt(time));
}

// 29 days of one walk a minute (what the minute merging leaves of six),
// then the last day at the real pace.
void fill(const QString &path)
{
    HistoryStore store;
    if (!store.open(path)) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(store.errorString()));
        std::exit(1);
    }
    QElapsedTimer timer;
    timer.start();
    qint64 walks = 0;
    for (qint64 t = kStart; t < kEnd - HistoryStore::kDay; t += 60, ++walks)
        writeWalk(store, t);
    for (qint64 t = kEnd - HistoryStore::kDay; t < kEnd; t += kWalkSeconds, ++walks)
        writeWalk(store, t);
    std::fprintf(stderr, "filled %lld walks in %.1f s\n", walks, timer.elapsed() / 1000.0);
    if (!store.isAvailable()) {
        std::fprintf(stderr, "the fill failed: %s\n", qPrintable(store.errorString()));
        std::exit(1);
    }
}

QString g_path;
double g_fileMb = 0;
double g_coldOpenMs = 0;

double fileMb(const QString &path)
{
    qint64 bytes = 0;
    for (const char *suffix : {"", "-wal", "-shm"})
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    return bytes / (1024.0 * 1024.0);
}

void BM_FullFileSize(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(fileMb(g_path));
    state.counters["MB"] = g_fileMb;
}
BENCHMARK(BM_FullFileSize)->Iterations(1);

// Each walk goes on 10 s after the one before; a move of the minutes into
// the samples every 60th walk and the thinning are part of it.
// Two hours of walks, 10 s apart, as the player scan runs them. Between
// walks the program idles; the copy of the log into the file, started in
// the background every so many walks, gets a moment of that time here.
void BM_WalkWrite256Servers(benchmark::State &state)
{
    HistoryStore store;
    store.open(g_path);
    qint64 time = kEnd;
    double slowest = 0;
    int over10ms = 0;
    Walk walk = walkAt(time);
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        write(store, walk);
        const double ms = timer.nsecsElapsed() / 1e6;
        slowest = std::max(slowest, ms);
        over10ms += ms > 10 ? 1 : 0;
        state.PauseTiming();
        time += kWalkSeconds;
        walk = walkAt(time);
        QThread::msleep(20);
        state.ResumeTiming();
    }
    if (!store.isAvailable())
        state.SkipWithError(qPrintable(store.errorString()));
    state.counters["slowest_ms"] = slowest;
    state.counters["walks_over_10ms"] = over10ms;
}
BENCHMARK(BM_WalkWrite256Servers)->Unit(benchmark::kMillisecond)->Iterations(720);

// The first walk after the start, every server full (16 players): every
// player is an arrival; what the budget leaves goes in the next walks.
void BM_FirstWalkOfAFullFarm(benchmark::State &state)
{
    qint64 time = kEnd + HistoryStore::kDay;
    double slowest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<HistoryStore>();
        store->open(g_path);
        Walk walk = walkAt(time);
        for (int k = 0; k < kServers; ++k) {
            walk.samples[k].players = kMaxPlayers;
            walk.players[k] = playerNames(k, time, kMaxPlayers);
        }
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        write(*store, walk);
        slowest = std::max(slowest, timer.nsecsElapsed() / 1e6);
        state.PauseTiming();
        if (!store->isAvailable())
            state.SkipWithError(qPrintable(store->errorString()));
        store.reset();
        time += 3600;
        state.ResumeTiming();
    }
    state.counters["slowest_ms"] = slowest;
}
BENCHMARK(BM_FirstWalkOfAFullFarm)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SevenDaysOfOneServer(benchmark::State &state)
{
    HistoryStore store;
    store.open(g_path, HistoryStore::Mode::ReadOnly);
    qsizetype count = 0;
    for (auto _ : state)
        count = store.samples(serverOf(5), kEnd - 7 * HistoryStore::kDay, kEnd).size();
    state.counters["samples"] = double(count);
}
BENCHMARK(BM_SevenDaysOfOneServer)->Unit(benchmark::kMillisecond);

void BM_OpenFullFile(benchmark::State &state)
{
    for (auto _ : state) {
        HistoryStore store;
        benchmark::DoNotOptimize(store.open(g_path));
    }
    state.counters["fresh_process_ms"] = g_coldOpenMs;
}
BENCHMARK(BM_OpenFullFile)->Unit(benchmark::kMillisecond);

// The open in a process that has not loaded the SQL driver yet, as at start-up.
double openInFreshProcess(const QString &program)
{
    QList<double> times;
    for (int k = 0; k < 5; ++k) {
        QProcess child;
        child.start(program, {QStringLiteral("--open-once"), g_path});
        child.waitForFinished(30000);
        times.append(child.readAllStandardOutput().trimmed().toDouble());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--open-once") == 0) {
        QElapsedTimer timer;
        timer.start();
        QCoreApplication app(argc, argv);
        HistoryStore store;
        const bool opened = store.open(QString::fromLocal8Bit(argv[2]));
        std::printf("%.3f\n", opened ? timer.nsecsElapsed() / 1e6 : -1.0);
        return 0;
    }
    QCoreApplication app(argc, argv);
    std::unique_ptr<QTemporaryDir> temporary;
    QString dir;
    for (int k = 1; k + 1 < argc; ++k) {
        if (qstrcmp(argv[k], "--history-dir") == 0)
            dir = QString::fromLocal8Bit(argv[k + 1]);
    }
    if (dir.isEmpty()) {
        temporary = std::make_unique<QTemporaryDir>();
        dir = temporary->path();
    }
    QDir().mkpath(dir);
    g_path = HistoryStore::filePath(dir);
    const QString copy = g_path + QStringLiteral(".full");
    const auto removeHistory = [] {
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(g_path + QLatin1String(suffix));
    };
    if (!QFileInfo::exists(copy)) {
        removeHistory();
        fill(g_path);
        QFile::copy(g_path, copy);
    }
    // Every run starts from the same full file; the walk benchmark adds to it.
    // The copy goes to the disk first, so its write-back does not compete
    // with the walks' writes as it would not in a program that runs.
    removeHistory();
    QFile::copy(copy, g_path);
    ::sync();
    g_fileMb = fileMb(g_path);
    g_coldOpenMs = openInFreshProcess(QCoreApplication::applicationFilePath());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
