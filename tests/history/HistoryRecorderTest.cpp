#include "HistoryFiles.h"
#include "core/Poller.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr qint64 kNow = 1'701'302'400;
constexpr quint16 kPort = 7778;

QString address(int k)
{
    return QStringLiteral("127.0.0.%1").arg(k);
}

HistoryServer serverOf(int k)
{
    return {address(k), kPort};
}

QByteArray infoReply(const QByteArray &name, int players, const QByteArray &map = "CTF-Face")
{
    return "\\hostname\\" + name + "\\maptitle\\Facing Worlds\\mapname\\" + map + "\\numplayers\\"
           + QByteArray::number(players) + "\\maxplayers\\16\\final\\";
}

QByteArray playersReply(const QList<QByteArray> &names)
{
    QByteArray reply;
    for (qsizetype k = 0; k < names.size(); ++k)
        reply += "\\player_" + QByteArray::number(k) + "\\" + names[k] + "\\frags_" + QByteArray::number(k) + "\\3";
    return reply + "\\final\\";
}

class HistoryRecorderTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    HistoryRecorderTest()
        : FakeEngineStack(false)
    {
        engine.setSleepTime(0);
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this] { ++walksEnded; });
        QObject::connect(&poller, &Poller::allServersUpdated, &poller, [this] { ++walksEnded; });
        QObject::connect(&poller, &Poller::selectedSettled, &poller, [this] { ++walksEnded; });
    }

    void SetUp() override
    {
        ASSERT_TRUE(store.open(path())) << qPrintable(store.errorString());
        recorder = std::make_unique<HistoryRecorder>(store, table, engine, poller, [this] { return now; });
        QObject::connect(recorder.get(), &HistoryRecorder::historyUnavailable, recorder.get(),
                         [this](const QString &message) { unavailable.append(message); });
    }

    QString path() const { return HistoryStore::filePath(dir.path()); }

    int addChecked(int k)
    {
        const int slot = table.addServer(address(k), kPort, QString());
        table.setChecked(table.positionOfSlot(slot), true);
        return slot;
    }

    void reply(int k, const QByteArray &datagram) { socket.deliver(datagram, address(k), kPort); }

    // Starts the walk, lets the servers answer and waits for its end.
    bool walk(const std::function<bool()> &start, const std::function<void()> &answer)
    {
        const int before = walksEnded;
        if (!start())
            return false;
        answer();
        return waitUntil([&] { return walksEnded > before; });
    }

    QList<HistorySample> samplesOf(int k) const { return store.samples(serverOf(k), 0, kNow * 2); }

    QTemporaryDir dir;
    HistoryStore store;
    Poller poller{engine, table};
    qint64 now = kNow;
    std::unique_ptr<HistoryRecorder> recorder;
    int walksEnded = 0;
    QStringList unavailable;
};

TEST_F(HistoryRecorderTest, AScanIsWrittenAsOneTransactionWhenItEnds)
{
    for (int k = 1; k <= 3; ++k)
        addChecked(k);
    const int before = walCommits(path());
    ASSERT_TRUE(walk([this] { return poller.scanCheckedServers(); },
                     [this] {
                         for (int k = 1; k <= 3; ++k) {
                             reply(k, infoReply("Server " + QByteArray::number(k), k - 1));
                             reply(k, playersReply(k == 3 ? QList<QByteArray>{"Alice", "Bob"}
                                                          : QList<QByteArray>{"P" + QByteArray::number(k)}));
                         }
                     }));
    EXPECT_EQ(walCommits(path()), before + 1);
    for (int k = 1; k <= 3; ++k) {
        const QList<HistorySample> list = samplesOf(k);
        ASSERT_EQ(list.size(), 1) << k;
        EXPECT_EQ(list[0].time, kNow);
        EXPECT_EQ(list[0].players, k - 1);
        EXPECT_EQ(list[0].maxPlayers, 16);
        EXPECT_EQ(list[0].map, QStringLiteral("CTF-Face"));
    }
    const std::optional<PlayerSighting> bob = store.lastSighting(QStringLiteral("Bob"));
    ASSERT_TRUE(bob);
    EXPECT_EQ(bob->server, serverOf(3));
    EXPECT_EQ(bob->serverName, QStringLiteral("Server 3"));
    EXPECT_EQ(bob->lastSeen, kNow);
    EXPECT_TRUE(unavailable.isEmpty());
}

TEST_F(HistoryRecorderTest, EveryWalkEndWritesWhatItBrought)
{
    const int slot = addChecked(1);
    int commits = walCommits(path());
    ASSERT_TRUE(walk([this] { return poller.updateAllServers(); }, [this] { reply(1, infoReply("One", 4)); }));
    EXPECT_EQ(walCommits(path()), ++commits);
    now += 60;
    ASSERT_TRUE(walk([&] { return poller.refreshSelected(Poller::Refresh::ServerInfo, slot); },
                     [this] { reply(1, infoReply("One", 6)); }));
    EXPECT_EQ(walCommits(path()), ++commits);
    const QList<HistorySample> list = samplesOf(1);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].players, 6);
    // A walk that brought nothing writes nothing.
    ASSERT_TRUE(walk([this] { return poller.updateAllServers(); }, [] {}));
    EXPECT_EQ(walCommits(path()), commits);
}

TEST_F(HistoryRecorderTest, RepliesOutsideWalksAreWrittenWhenTheyPause)
{
    table.addServer(address(1), kPort, QString());
    reply(1, infoReply("Lone", 2));
    ASSERT_TRUE(waitUntil([this] { return !samplesOf(1).isEmpty(); }));
    EXPECT_EQ(samplesOf(1).first().players, 2);
}

TEST_F(HistoryRecorderTest, EveryReplyBetweenTwoWritesCounts)
{
    table.addServer(address(1), kPort, QString());
    // A player who came and went between two writes is still seen, and so
    // is the busiest minute.
    reply(1, infoReply("Busy", 1));
    reply(1, playersReply({"Brief"}));
    now += 60;
    reply(1, infoReply("Busy", 5));
    now += 60;
    reply(1, infoReply("Busy", 0));
    reply(1, playersReply({}));
    recorder->flush();
    const std::optional<PlayerSighting> brief = store.lastSighting(QStringLiteral("Brief"));
    ASSERT_TRUE(brief);
    EXPECT_EQ(brief->firstSeen, kNow);
    EXPECT_EQ(brief->lastSeen, kNow);
    QList<int> counts;
    for (const HistorySample &sample : samplesOf(1))
        counts.append(sample.players);
    EXPECT_EQ(counts, (QList<int>{1, 5, 0}));
}

TEST_F(HistoryRecorderTest, NoSampleBeforeTheServersInfoCame)
{
    table.addServer(address(1), kPort, QString());
    reply(1, playersReply({"Early"}));
    recorder->flush();
    EXPECT_TRUE(samplesOf(1).isEmpty());
    const std::optional<PlayerSighting> early = store.lastSighting(QStringLiteral("Early"));
    ASSERT_TRUE(early);
    // The list's name stands in while the server has told none.
    EXPECT_EQ(early->serverName, address(1) + QStringLiteral(":7778"));
}

TEST_F(HistoryRecorderTest, TextIsDecodedAsTheViewsShowIt)
{
    table.addServer(address(1), kPort, QString());
    reply(1, infoReply(QByteArray(" Caf\xe9") + '\x01' + "Club ", 1, "DM-\xc9t\xe9"));
    reply(1, playersReply({"Jos\xe9", "\xe2\x84\xa2Tm"}));
    recorder->flush();
    const QList<HistorySample> list = samplesOf(1);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].map, QStringLiteral("DM-\u00c9t\u00e9"));
    const std::optional<PlayerSighting> jose = store.lastSighting(QStringLiteral("Jos\u00e9"));
    ASSERT_TRUE(jose);
    EXPECT_EQ(jose->serverName, QStringLiteral("Caf\u00e9 Club"));
    EXPECT_TRUE(store.lastSighting(QStringLiteral("\u2122Tm")));
}

TEST_F(HistoryRecorderTest, AnEmptyServerEndsTheVisitsOnIt)
{
    table.addServer(address(1), kPort, QString());
    reply(1, infoReply("One", 1));
    reply(1, playersReply({"Alice"}));
    recorder->flush();
    now += 5;
    reply(1, playersReply({"Alice"}));
    recorder->flush();
    EXPECT_GE(store.lastSighting(QStringLiteral("Alice"))->lastSeen, kNow);
    now += 5;
    reply(1, infoReply("One", 0));
    recorder->flush();
    EXPECT_EQ(store.lastSighting(QStringLiteral("Alice"))->lastSeen, kNow + 5);
    EXPECT_EQ(store.lastSighting(QStringLiteral("Alice"))->firstSeen, kNow);
}

TEST_F(HistoryRecorderTest, AnUnavailableHistoryIsToldOnce)
{
    HistoryStore broken;
    EXPECT_FALSE(broken.open(dir.filePath(QStringLiteral("gone/history.sqlite"))));
    HistoryRecorder brokenRecorder(broken, table, engine, poller, [this] { return now; });
    QStringList told;
    QObject::connect(&brokenRecorder, &HistoryRecorder::historyUnavailable, &brokenRecorder,
                     [&told](const QString &message) { told.append(message); });
    addChecked(1);
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(walk([this] { return poller.scanCheckedServers(); }, [this] { reply(1, infoReply("One", 1)); }));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told.first(), broken.errorString());
    EXPECT_TRUE(unavailable.isEmpty());

    // A store that fails later is told of once too.
    {
        RawConnection other(path());
        ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(other.exec(QStringLiteral("INSERT INTO maps(name) VALUES('theirs')")));
        for (int k = 0; k < 2; ++k)
            ASSERT_TRUE(
                walk([this] { return poller.scanCheckedServers(); }, [this] { reply(1, infoReply("One", 2)); }));
        other.exec(QStringLiteral("ROLLBACK"));
    }
    ASSERT_EQ(unavailable.size(), 1);
    EXPECT_TRUE(unavailable.first().contains(QStringLiteral("in use"))) << qPrintable(unavailable.first());
}

} // namespace
