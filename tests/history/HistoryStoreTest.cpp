#include "HistoryFiles.h"
#include "history/HistoryCheckpointer.h"
#include "history/HistoryStore.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kDay = HistoryStore::kDay;
// Thursday 30 November 2023, 00:00 UTC: on a whole hour.
constexpr qint64 kNow = 1'701'302'400;

const HistoryServer kServer{QStringLiteral("127.0.0.1"), 7778};
const HistoryServer kOther{QStringLiteral("ut.example.org"), 7788};

bool sampleWalk(HistoryStore &store, qint64 time, int players, const QString &map = QStringLiteral("CTF-Face"),
                const HistoryServer &server = kServer)
{
    store.beginWalk();
    store.addSample(server, QStringLiteral("Test Server"), {time, players, 16, map});
    return store.commitWalk(time);
}

bool playersWalk(HistoryStore &store, qint64 time, const QStringList &names, const HistoryServer &server = kServer,
                 const QString &serverName = QStringLiteral("Test Server"))
{
    store.beginWalk();
    store.addPlayers(server, serverName, names, time);
    return store.commitWalk(time);
}

bool emptyWalk(HistoryStore &store, qint64 time)
{
    store.beginWalk();
    return store.commitWalk(time);
}

QList<HistorySample> allSamples(const HistoryStore &store, const HistoryServer &server = kServer)
{
    return store.samples(server, 0, std::numeric_limits<qint64>::max());
}

std::string describe(const QList<HistorySample> &list)
{
    std::string text;
    for (const HistorySample &s : list)
        text += QStringLiteral("%1 %2/%3 %4\n").arg(s.time).arg(s.players).arg(s.maxPlayers).arg(s.map).toStdString();
    return text;
}

class HistoryStoreTest : public ::testing::Test
{
protected:
    QString path() const { return HistoryStore::filePath(dir.path()); }
    QString iniPath() const { return dir.filePath(QStringLiteral("Quorvelin.ini")); }

    std::unique_ptr<HistoryStore> openStore(HistoryStore::Mode mode = HistoryStore::Mode::ReadWrite)
    {
        auto store = std::make_unique<HistoryStore>();
        store->open(path(), mode);
        return store;
    }

    QTemporaryDir dir;
};

TEST_F(HistoryStoreTest, AMissingFileIsCreatedWithTheSchemaVersionAndTheLog)
{
    ASSERT_FALSE(QFileInfo::exists(path()));
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(path())) << qPrintable(store.errorString());
        EXPECT_TRUE(store.isAvailable());
        EXPECT_TRUE(sampleWalk(store, kNow, 3));
        // Opened again, the same store goes on.
        ASSERT_TRUE(store.open(path())) << qPrintable(store.errorString());
        EXPECT_TRUE(sampleWalk(store, kNow + 60, 4));
    }
    RawConnection raw(path());
    EXPECT_EQ(raw.value(QStringLiteral("PRAGMA user_version")).toInt(), HistoryStore::kSchemaVersion);
    EXPECT_EQ(raw.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));

    // Opened again, it is used as it is.
    const auto again = openStore();
    ASSERT_TRUE(again->isAvailable()) << qPrintable(again->errorString());
    EXPECT_EQ(allSamples(*again).size(), 2);
}

TEST_F(HistoryStoreTest, AFileOfALaterVersionOrAnotherProgramIsLeftAlone)
{
    openStore();
    {
        RawConnection raw(path());
        ASSERT_TRUE(raw.exec(QStringLiteral("PRAGMA user_version=%1").arg(HistoryStore::kSchemaVersion + 1)));
    }
    const QByteArray later = fileBytes(path());
    auto store = openStore();
    EXPECT_FALSE(store->isAvailable());
    EXPECT_TRUE(store->errorString().contains(QStringLiteral("later version"))) << qPrintable(store->errorString());
    EXPECT_FALSE(sampleWalk(*store, kNow, 1));
    store.reset();
    EXPECT_EQ(fileBytes(path()), later);

    ASSERT_TRUE(QFile::remove(path()));
    {
        RawConnection raw(path());
        ASSERT_TRUE(raw.exec(QStringLiteral("CREATE TABLE notes(text TEXT)")));
    }
    store = openStore();
    EXPECT_FALSE(store->isAvailable());
    EXPECT_TRUE(store->errorString().contains(QStringLiteral("not a history file")))
        << qPrintable(store->errorString());
}

TEST_F(HistoryStoreTest, OneWalkIsOneTransaction)
{
    auto store = openStore();
    ASSERT_TRUE(sampleWalk(*store, kNow - 60, 1));
    const int before = walCommits(path());
    ASSERT_GT(before, 0);

    store->beginWalk();
    for (int k = 0; k < 40; ++k) {
        const HistoryServer server{QStringLiteral("10.0.0.%1").arg(k + 1), 7778};
        store->addSample(server, QStringLiteral("Server %1").arg(k),
                         {kNow + k % 10, k % 17, 16, QStringLiteral("DM-%1").arg(k)});
        store->addPlayers(server, QStringLiteral("Server %1").arg(k),
                          {QStringLiteral("A%1").arg(k), QStringLiteral("B%1").arg(k)}, kNow + k % 10);
    }
    // Nothing is written before the commit.
    EXPECT_EQ(walCommits(path()), before);
    ASSERT_TRUE(store->commitWalk(kNow + 10));
    EXPECT_EQ(walCommits(path()), before + 1);

    const auto reader = openStore(HistoryStore::Mode::ReadOnly);
    for (int k = 0; k < 40; ++k) {
        const QList<HistorySample> list = allSamples(*reader, {QStringLiteral("10.0.0.%1").arg(k + 1), 7778});
        ASSERT_EQ(list.size(), 1) << k;
        EXPECT_EQ(list[0].players, k % 17);
        EXPECT_EQ(list[0].map, QStringLiteral("DM-%1").arg(k));
        EXPECT_TRUE(reader->lastSighting(QStringLiteral("B%1").arg(k)));
    }
}

TEST_F(HistoryStoreTest, TheLogIsCopiedIntoTheFileBesideTheWalks)
{
    auto store = openStore();
    // Once a copy has caught up, the next walk starts the log over.
    int walks = 0;
    const auto logStartedOver = [&] {
        EXPECT_TRUE(sampleWalk(*store, kNow + 60 * walks, walks % 5));
        ++walks;
        return walCommits(path()) < walks;
    };
    ASSERT_TRUE(waitUntil(logStartedOver));
    EXPECT_GT(walks, HistoryCheckpointer::kWalksPerCheckpoint);
    EXPECT_EQ(allSamples(*store).size(), walks);
    store.reset();
    EXPECT_EQ(allSamples(*openStore()).size(), walks);
}

TEST_F(HistoryStoreTest, AMinuteKeepsItsBusiestSampleTheLatestOfEquals)
{
    auto store = openStore();
    const struct
    {
        qint64 at;
        int players;
        const char *map;
    } walks[] = {{0, 5, "A"}, {10, 9, "B"}, {20, 9, "C"}, {30, 2, "D"}, {59, 9, "X"}, {60, 1, "E"}, {70, 0, "F"}};
    for (const auto &walk : walks)
        ASSERT_TRUE(sampleWalk(*store, kNow + walk.at, walk.players, QLatin1String(walk.map)));
    const QList<HistorySample> list = allSamples(*store);
    ASSERT_EQ(list.size(), 2) << describe(list);
    EXPECT_EQ(list[0].time, kNow + 59);
    EXPECT_EQ(list[0].players, 9);
    EXPECT_EQ(list[0].map, QStringLiteral("X"));
    EXPECT_EQ(list[1].time, kNow + 60);
    EXPECT_EQ(list[1].players, 1);

    // Ten minutes on the minutes move to the kept samples; they read the same.
    ASSERT_TRUE(emptyWalk(*store, kNow + 1200));
    EXPECT_EQ(describe(allSamples(*store)), describe(list));
    EXPECT_EQ(store->samples(kServer, kNow + 60, kNow + 60).size(), 1);
    EXPECT_TRUE(store->samples(kServer, kNow + 61, kNow + 1000).isEmpty());
    EXPECT_TRUE(store->samples(kOther, 0, kNow + 1000).isEmpty());
}

// What thinning should leave: every sample younger than a day, the busiest
// (the latest of equals) of each ten minutes older than that and of each hour
// older than the retention.
QList<HistorySample> thinnedByRule(const QList<HistorySample> &written, qint64 now, int days)
{
    const auto floorTo = [](qint64 v, qint64 step) { return v / step * step; };
    const qint64 tenCut = floorTo(now - kDay, 600);
    const qint64 hourCut = floorTo(now - days * kDay, 3600);
    std::map<std::pair<qint64, qint64>, HistorySample> kept;
    for (const HistorySample &s : written) {
        const qint64 bucket = s.time >= tenCut ? 60 : s.time >= hourCut ? 600 : 3600;
        const auto key = std::make_pair(bucket, floorTo(s.time, bucket));
        const auto old = kept.find(key);
        if (old == kept.end() || s.players >= old->second.players)
            kept[key] = s;
    }
    QList<HistorySample> result;
    for (const auto &entry : kept)
        result.append(entry.second);
    std::sort(result.begin(), result.end(), [](const auto &a, const auto &b) { return a.time < b.time; });
    return result;
}

struct ThinningCase
{
    const char *name;
    int daysWhileWriting;
    int daysAfter;
};

class ThinningTest : public HistoryStoreTest, public ::testing::WithParamInterface<ThinningCase>
{
};

TEST_P(ThinningTest, KeepsTheBusiestSampleOfEachSpan)
{
    auto store = openStore();
    store->setHistoryDays(GetParam().daysWhileWriting);
    // Four days, two samples a minute in the first and last hour of each day
    // and one every three minutes between, each walk committed at its time.
    QList<HistorySample> written;
    for (qint64 t = kNow - 4 * kDay; t < kNow; t += (t % kDay < 3600 || t % kDay >= kDay - 3600) ? 30 : 180) {
        const int players = int((t / 30 * 7) % 11);
        written.append({t, players, 16, QStringLiteral("Map%1").arg(t % 1000)});
        ASSERT_TRUE(sampleWalk(*store, t, players, written.last().map));
    }
    store->setHistoryDays(GetParam().daysAfter);
    // The thinning goes on walk by walk until it has caught up.
    for (int k = 0; k < 40; ++k)
        ASSERT_TRUE(emptyWalk(*store, kNow));
    const QList<HistorySample> expected = thinnedByRule(written, kNow, GetParam().daysAfter);
    EXPECT_EQ(describe(allSamples(*store)), describe(expected));
}

INSTANTIATE_TEST_SUITE_P(Retention, ThinningTest,
                         ::testing::Values(ThinningCase{"ThirtyDays", 30, 30}, ThinningCase{"TwoDays", 2, 2},
                                           ThinningCase{"OneDay", 1, 1}, ThinningCase{"ShortenedLater", 30, 2}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST_F(HistoryStoreTest, TheRetentionSettingIsClampedAndDropsOldSightings)
{
    HistoryStore store;
    EXPECT_EQ(store.historyDays(), 30);
    store.setHistoryDays(0);
    EXPECT_EQ(store.historyDays(), 1);
    store.setHistoryDays(100000);
    EXPECT_EQ(store.historyDays(), 3650);

    ASSERT_TRUE(store.open(path()));
    store.setHistoryDays(3);
    ASSERT_TRUE(playersWalk(store, kNow - 5 * kDay, {QStringLiteral("Old")}));
    ASSERT_TRUE(playersWalk(store, kNow - 2 * kDay, {QStringLiteral("Recent")}));
    ASSERT_TRUE(sampleWalk(store, kNow - 5 * kDay, 4));
    ASSERT_TRUE(emptyWalk(store, kNow));
    EXPECT_FALSE(store.lastSighting(QStringLiteral("Old")));
    EXPECT_TRUE(store.lastSighting(QStringLiteral("Recent")));
    // Samples are thinned, never dropped.
    EXPECT_EQ(allSamples(store).size(), 1);
}

TEST_F(HistoryStoreTest, OpeningThinsNothing)
{
    {
        auto store = openStore();
        for (qint64 t = kNow - 2 * kDay; t < kNow - 2 * kDay + 3600; t += 60)
            ASSERT_TRUE(sampleWalk(*store, t, int(t % 7)));
    }
    const auto rows = [this] {
        RawConnection raw(path());
        return raw.count(QStringLiteral("samples")) + raw.count(QStringLiteral("fresh"));
    };
    const qint64 before = rows();
    auto store = openStore();
    ASSERT_TRUE(store->isAvailable());
    EXPECT_EQ(rows(), before);
    ASSERT_TRUE(emptyWalk(*store, kNow));
    EXPECT_LT(rows(), before);
}

TEST_F(HistoryStoreTest, AVisitLastsWhileThePlayerIsSeenWithinTheGap)
{
    auto store = openStore();
    const QString alice = QStringLiteral("Alice");
    const QString bob = QStringLiteral("Bob");
    const auto seen = [&](const QString &name) { return store->lastSighting(name).value_or(PlayerSighting{}); };

    ASSERT_TRUE(playersWalk(*store, kNow, {alice, bob}));
    EXPECT_EQ(seen(alice).firstSeen, kNow);
    EXPECT_EQ(seen(alice).lastSeen, kNow);
    EXPECT_EQ(seen(alice).server, kServer);
    EXPECT_EQ(seen(alice).serverName, QStringLiteral("Test Server"));

    // While the visit goes on, its end is stored about once a minute.
    QSet<qint64> stored;
    for (qint64 t = kNow + 10; t <= kNow + 120; t += 10) {
        ASSERT_TRUE(playersWalk(*store, t, {alice, bob}));
        const PlayerSighting now = seen(alice);
        EXPECT_EQ(now.firstSeen, kNow);
        EXPECT_LE(now.lastSeen, t);
        EXPECT_GT(now.lastSeen, t - HistoryStore::kPresenceStep);
        stored.insert(now.lastSeen);
    }
    EXPECT_LE(stored.size(), 3);
    // Who is gone from the list gets the last moment seen.
    ASSERT_TRUE(playersWalk(*store, kNow + 130, {alice}));
    ASSERT_TRUE(playersWalk(*store, kNow + 140, {}));
    EXPECT_EQ(seen(bob).lastSeen, kNow + 120);
    EXPECT_EQ(seen(alice).lastSeen, kNow + 130);
    EXPECT_EQ(seen(alice).firstSeen, kNow);

    // Back after more than the gap: a new visit; after exactly the gap: the same.
    ASSERT_TRUE(playersWalk(*store, kNow + 120 + HistoryStore::kVisitGap + 1, {bob}));
    EXPECT_EQ(seen(bob).firstSeen, kNow + 120 + HistoryStore::kVisitGap + 1);
    const qint64 back = kNow + 130 + HistoryStore::kVisitGap;
    ASSERT_TRUE(playersWalk(*store, back, {alice}));
    EXPECT_EQ(seen(alice).firstSeen, kNow);
    EXPECT_EQ(seen(alice).lastSeen, back);

    // The latest visit is where the player was seen last, whichever server.
    const qint64 later = back + 30;
    ASSERT_TRUE(playersWalk(*store, later, {alice}, kOther, QStringLiteral("Other Server")));
    EXPECT_EQ(seen(alice).server, kOther);
    EXPECT_EQ(seen(alice).serverName, QStringLiteral("Other Server"));
    EXPECT_EQ(seen(alice).firstSeen, later);

    // A visit goes on across a restart of the program.
    store = openStore();
    ASSERT_TRUE(playersWalk(*store, later + 300, {alice}, kOther, QStringLiteral("Other Server")));
    EXPECT_EQ(seen(alice).firstSeen, later);
    EXPECT_EQ(seen(alice).lastSeen, later + 300);
    EXPECT_FALSE(store->lastSighting(QStringLiteral("alice")));
}

TEST_F(HistoryStoreTest, AFloodOfArrivalsSpillsIntoTheNextWalks)
{
    auto store = openStore();
    QStringList crowd;
    for (int k = 0; k < 2 * HistoryStore::kMostSightingsPerWalk + 100; ++k)
        crowd.append(QStringLiteral("Player%1").arg(k));
    RawConnection raw(path());
    qint64 written = 0;
    for (int walk = 0; written < crowd.size(); ++walk) {
        ASSERT_LT(walk, 3);
        ASSERT_TRUE(playersWalk(*store, kNow + 10 * walk, crowd));
        const qint64 before = written;
        written = raw.count(QStringLiteral("sightings"));
        EXPECT_LE(written - before, HistoryStore::kMostSightingsPerWalk);
    }
    // Who waited keeps the moment first seen, and who leaves is never kept waiting.
    EXPECT_EQ(store->lastSighting(crowd.last())->firstSeen, kNow);
    ASSERT_TRUE(playersWalk(*store, kNow + 30, {}));
    EXPECT_EQ(store->lastSighting(crowd.first())->lastSeen, kNow + 20);
    EXPECT_EQ(store->lastSighting(crowd.last())->lastSeen, kNow + 20);
}

class HostileTextTest : public HistoryStoreTest, public ::testing::WithParamInterface<QString>
{
};

TEST_P(HostileTextTest, IsStoredAndFoundExactly)
{
    const QString text = GetParam();
    const HistoryServer server{text.left(200) + QStringLiteral("'host"), 7778};
    qint64 schemaRows = 0;
    {
        auto store = openStore();
        ASSERT_TRUE(store->isAvailable());
        schemaRows = RawConnection(path()).count(QStringLiteral("sqlite_master"));
        store->beginWalk();
        store->addSample(server, text, {kNow, 3, 16, text});
        store->addPlayers(server, text, {text, QStringLiteral("plain")}, kNow);
        ASSERT_TRUE(store->commitWalk(kNow)) << qPrintable(store->errorString());
    }
    const auto store = openStore(HistoryStore::Mode::ReadOnly);
    const QList<HistorySample> list = allSamples(*store, server);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].map, text);
    const std::optional<PlayerSighting> seen = store->lastSighting(text);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->name, text);
    EXPECT_EQ(seen->serverName, text);
    EXPECT_EQ(seen->server, server);
    EXPECT_TRUE(store->lastSighting(QStringLiteral("plain")));
    // Only the exact name matches.
    EXPECT_FALSE(store->lastSighting(text.left(1)));

    RawConnection raw(path());
    EXPECT_EQ(raw.count(QStringLiteral("sqlite_master")), schemaRows);
    EXPECT_EQ(raw.count(QStringLiteral("sightings")), 2);
}

INSTANTIATE_TEST_SUITE_P(Names, HostileTextTest,
                         ::testing::Values(QStringLiteral("O'Brien"), QStringLiteral("\"; DROP TABLE sightings; --"),
                                           QStringLiteral("x'); DELETE FROM samples; --"),
                                           QStringLiteral("a") + QChar(0) + QStringLiteral("b"),
                                           QString(65536, QLatin1Char('N')), QStringLiteral("%_*?[\\"),
                                           QStringLiteral("Jos\u00e9 \u2122 \U0001F600")));

TEST_F(HistoryStoreTest, MissingTextIsStoredEmpty)
{
    auto store = openStore();
    store->beginWalk();
    store->addSample(kServer, QString(), {kNow, 2, 16, QString()});
    store->addPlayers(kServer, QString(), {QString(), QStringLiteral("Alice")}, kNow);
    ASSERT_TRUE(store->commitWalk(kNow)) << qPrintable(store->errorString());
    const QList<HistorySample> list = allSamples(*store);
    ASSERT_EQ(list.size(), 1);
    EXPECT_TRUE(list[0].map.isEmpty());
    EXPECT_TRUE(store->lastSighting(QString()));
    EXPECT_EQ(store->lastSighting(QStringLiteral("Alice"))->serverName, QString());
}

// Every fault leaves the store unavailable with a message, answers empty,
// drops writes and leaves the configuration file alone.
void expectUnavailable(HistoryStore &store, const char *words)
{
    EXPECT_FALSE(store.isAvailable());
    EXPECT_TRUE(store.errorString().contains(QLatin1String(words), Qt::CaseInsensitive))
        << qPrintable(store.errorString());
    EXPECT_TRUE(allSamples(store).isEmpty());
    EXPECT_FALSE(store.lastSighting(QStringLiteral("Alice")));
    const WeekHours hours = store.busyHours(kServer, 0);
    EXPECT_TRUE(std::all_of(hours.begin(), hours.end(), [](double v) { return v < 0; }));
    store.beginWalk();
    store.addSample(kServer, QString(), {kNow, 1, 16, QString()});
    EXPECT_FALSE(store.commitWalk(kNow));
}

class FaultTest : public HistoryStoreTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(writeFileBytes(iniPath(), kIni));
        {
            auto store = openStore();
            ASSERT_TRUE(sampleWalk(*store, kNow - 60, 5));
            ASSERT_TRUE(playersWalk(*store, kNow - 60, {QStringLiteral("Alice")}));
        }
        ASSERT_EQ(allSamples(*openStore()).size(), 1);
    }
    void TearDown() override
    {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(fileBytes(iniPath()), kIni);
    }

    const QByteArray kIni = "[general]\nLocalPort=7000\n";
};

TEST_F(FaultTest, AMissingFolder)
{
    HistoryStore store;
    const QString missing = dir.filePath(QStringLiteral("gone/history.sqlite"));
    EXPECT_FALSE(store.open(missing));
    expectUnavailable(store, "does not exist");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
}

TEST_F(FaultTest, AReadOnlyFile)
{
    const QByteArray before = fileBytes(path());
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup));
    auto store = openStore();
    expectUnavailable(*store, "read-only");
    store.reset();
    EXPECT_EQ(fileBytes(path()), before);
}

TEST_F(FaultTest, AReadOnlyFolder)
{
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    auto store = openStore();
    expectUnavailable(*store, "read-only");
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(FaultTest, AFileLockedByAWriterOfAnotherProgram)
{
    auto store = openStore();
    ASSERT_TRUE(store->isAvailable());
    {
        RawConnection other(path());
        ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(other.exec(QStringLiteral("INSERT INTO maps(name) VALUES('theirs')")));
        // The walk is refused at once rather than waited for.
        EXPECT_FALSE(sampleWalk(*store, kNow, 9));
        expectUnavailable(*store, "in use");
        ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));
    }
    const QList<HistorySample> list = allSamples(*openStore());
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].players, 5);
}

TEST_F(FaultTest, AFileHeldExclusivelyWhenOpened)
{
    RawConnection other(path());
    ASSERT_TRUE(other.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("INSERT INTO maps(name) VALUES('theirs')")));
    auto store = openStore();
    expectUnavailable(*store, "in use");
    auto reader = openStore(HistoryStore::Mode::ReadOnly);
    expectUnavailable(*reader, "in use");
}

TEST_F(FaultTest, ADamagedFile)
{
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(42);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QFile::remove(path() + QStringLiteral("-wal"));
    QFile::remove(path() + QStringLiteral("-shm"));
    ASSERT_TRUE(writeFileBytes(path(), noise));
    auto store = openStore();
    expectUnavailable(*store, "damaged");
    store.reset();
    EXPECT_EQ(fileBytes(path()), noise);
}

TEST_F(FaultTest, AFullDisk)
{
    auto store = openStore();
    ASSERT_TRUE(store->isAvailable());
    QStringList crowd;
    for (int k = 0; k < 50; ++k)
        crowd.append(QStringLiteral("%1-%2").arg(k).arg(QString(2000, QLatin1Char('p'))));
    // No file may grow past its size now: the disk is full.
    const qint64 largest = std::max(QFileInfo(path()).size(), QFileInfo(path() + QStringLiteral("-wal")).size());
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit full = old;
    full.rlim_cur = rlim_t(largest);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    store->beginWalk();
    for (int k = 0; k < 40; ++k)
        store->addPlayers({QStringLiteral("10.0.0.%1").arg(k + 1), 7778}, QString(), crowd, kNow);
    const bool committed = store->commitWalk(kNow);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(committed);
    expectUnavailable(*store, "history file");
    store.reset();
    const auto again = openStore();
    ASSERT_TRUE(again->isAvailable()) << qPrintable(again->errorString());
    EXPECT_EQ(allSamples(*again).size(), 1);
    EXPECT_FALSE(again->lastSighting(crowd.first()));
}

TEST_F(HistoryStoreTest, AWalkNeverCommittedIsLostWhole)
{
    {
        auto store = openStore();
        ASSERT_TRUE(sampleWalk(*store, kNow, 4));
        store->beginWalk();
        store->addSample(kServer, QString(), {kNow + 60, 8, 16, QStringLiteral("B")});
        store->addPlayers(kServer, QString(), {QStringLiteral("Alice")}, kNow + 60);
    }
    const auto store = openStore();
    const QList<HistorySample> list = allSamples(*store);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].players, 4);
    EXPECT_FALSE(store->lastSighting(QStringLiteral("Alice")));
}

// A writer killed at any moment leaves whole walks: every server has as many
// samples as every other, and the file is sound.
TEST_F(HistoryStoreTest, AKilledWriterLosesAtMostTheWalkBeingWritten)
{
    constexpr int kServers = 64;
    int progress[2];
    ASSERT_EQ(::pipe(progress), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(progress[0]);
        HistoryStore store;
        if (!store.open(path())) {
            std::fprintf(stderr, "child: %s\n", qPrintable(store.errorString()));
            ::_exit(1);
        }
        for (int walk = 1;; ++walk) {
            const qint64 time = kNow + walk * 60;
            store.beginWalk();
            for (int k = 0; k < kServers; ++k) {
                const HistoryServer server{QStringLiteral("10.0.1.%1").arg(k + 1), 7778};
                store.addSample(server, QString(), {time, walk % 30, 32, QStringLiteral("Map%1").arg(walk)});
                store.addPlayers(server, QString(), {QStringLiteral("P%1-%2").arg(k).arg(walk)}, time);
            }
            if (!store.commitWalk(time) || ::write(progress[1], &walk, sizeof walk) != sizeof walk) {
                std::fprintf(stderr, "child: %s\n", qPrintable(store.errorString()));
                ::_exit(2);
            }
        }
    }
    ::close(progress[1]);
    ASSERT_GT(child, 0);
    int walk = 0;
    while (walk < 20 && ::read(progress[0], &walk, sizeof walk) == sizeof walk) {
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(progress[0]);
    ASSERT_GE(walk, 20);
    ASSERT_TRUE(WIFSIGNALED(status));

    {
        RawConnection raw(path());
        EXPECT_EQ(raw.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
    const auto store = openStore();
    ASSERT_TRUE(store->isAvailable()) << qPrintable(store->errorString());
    const qsizetype walks = allSamples(*store, {QStringLiteral("10.0.1.1"), 7778}).size();
    EXPECT_GE(walks, walk);
    EXPECT_LE(walks, walk + 1);
    for (int k = 0; k < kServers; ++k)
        EXPECT_EQ(allSamples(*store, {QStringLiteral("10.0.1.%1").arg(k + 1), 7778}).size(), walks) << k;
}

TEST_F(HistoryStoreTest, AReadOnlyStoreNeverCreatesNorWrites)
{
    HistoryStore missing;
    EXPECT_FALSE(missing.open(path(), HistoryStore::Mode::ReadOnly));
    EXPECT_FALSE(missing.errorString().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path()));

    ASSERT_TRUE(sampleWalk(*openStore(), kNow, 6));
    const QByteArray before = fileBytes(path());
    {
        auto reader = openStore(HistoryStore::Mode::ReadOnly);
        ASSERT_TRUE(reader->isAvailable()) << qPrintable(reader->errorString());
        EXPECT_EQ(allSamples(*reader).size(), 1);
        EXPECT_FALSE(sampleWalk(*reader, kNow + 60, 7));
        EXPECT_TRUE(reader->isAvailable());
    }
    EXPECT_EQ(fileBytes(path()), before);
}

TEST_F(HistoryStoreTest, BusyHoursAverageEachHourOfTheWeekInLocalTime)
{
    auto store = openStore();
    // Two Wednesdays at 20:00 local time: 4 and 8 players in the first, 12 in the second.
    const QDateTime evening(QDate(2023, 11, 22), QTime(20, 0));
    const qint64 first = evening.toSecsSinceEpoch();
    const qint64 second = evening.addDays(7).toSecsSinceEpoch();
    ASSERT_TRUE(sampleWalk(*store, first, 4));
    ASSERT_TRUE(sampleWalk(*store, first + 1200, 8));
    ASSERT_TRUE(sampleWalk(*store, second + 600, 12));
    const WeekHours hours = store->busyHours(kServer, 0);
    const int slot = (evening.date().dayOfWeek() - 1) * 24 + 20;
    for (int k = 0; k < int(hours.size()); ++k) {
        if (k == slot)
            EXPECT_DOUBLE_EQ(hours[size_t(k)], 9.0);
        else
            EXPECT_LT(hours[size_t(k)], 0) << k;
    }
    // Only what came since counts.
    EXPECT_DOUBLE_EQ(store->busyHours(kServer, second)[size_t(slot)], 12.0);
}

} // namespace
