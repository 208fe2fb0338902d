// A day of players coming and going on two simulated servers, scanned over
// real sockets on 127.0.0.1 every ten minutes of a clock the test moves on,
// recorded into a real history file and read back by the History page.
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "mainwindow/HistoryPage.h"
#include "mainwindow/HistoryPlotView.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"
#include "support/EventLoopWait.h"
#include "support/FakePlatform.h"
#include "viewlogic/HistoryPlotLayout.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr qint64 kStep = 600;
constexpr qint64 kDay = 24 * 3600;

const QTimeZone kZone = QTimeZone::systemTimeZone();

// Players at this time of day: the most at the peak hour, one fewer for
// each twenty minutes away from it (round the clock), never below none.
int churn(qint64 time, int peakHour, int most)
{
    const QTime clock = QDateTime::fromSecsSinceEpoch(time, kZone).time();
    const int minutes = clock.hour() * 60 + clock.minute();
    int away = std::abs(minutes - peakHour * 60);
    away = std::min(away, 24 * 60 - away);
    return std::max(0, most - (away + 19) / 20);
}

class HistoryChurnTest : public ::testing::Test
{
protected:
    struct Churn
    {
        int peakHour;
        int most;
    };

    HistoryChurnTest()
    {
        engine.setSleepTime(0);
        EXPECT_TRUE(engine.bindMain(0));
        QObject::connect(&poller, &Poller::playerScanFinished, &poller, [this] { ++scans; });
        QObject::connect(&engine, &QueryEngine::replyDecoded, &engine, [this](int slot, const QByteArray &datagram) {
            if (datagram.contains("\\final\\"))
                ++finalReplies[slot];
        });
    }

    void SetUp() override
    {
        ASSERT_TRUE(farm.start(int(churns.size())));
        for (SimulatedServer *server : farm.servers()) {
            const int slot = table.addServer(QStringLiteral("127.0.0.1"), server->queryPort(), QString());
            table.setChecked(table.positionOfSlot(slot), true);
            slots.append(slot);
        }
        ASSERT_TRUE(store.open(HistoryStore::filePath(dir.path()))) << qPrintable(store.errorString());
        recorder = std::make_unique<HistoryRecorder>(store, table, engine, poller, [this] { return now; });
    }

    HistoryServer historyServer(int k) const { return {QStringLiteral("127.0.0.1"), farm.server(k)->queryPort()}; }

    // Sets each server's players for this time of day, scans, and waits
    // until every server's three replies are in; the recorder writes them.
    void scanAt(qint64 time)
    {
        now = time;
        clock.advance(15000);
        for (int k = 0; k < farm.size(); ++k) {
            QList<SimulatedPlayer> players;
            for (int p = 0; p < churn(time, churns[k].peakHour, churns[k].most); ++p)
                players.append(SimulatedPlayer{QStringLiteral("Player%1").arg(p)});
            farm.server(k)->setPlayers(players);
        }
        const int before = scans;
        ASSERT_TRUE(poller.scanCheckedServers());
        ASSERT_TRUE(waitUntil([&] { return scans > before; }, 10000));
        ++scansSent;
        ASSERT_TRUE(waitUntil(
            [&] {
                for (int slot : slots) {
                    if (finalReplies.value(slot) != 3 * scansSent)
                        return false;
                }
                return true;
            },
            10000));
        recorder->flush();
    }

    static PlatformServices onClock(PlatformServices services, TickClock &clock)
    {
        services.clock = &clock;
        return services;
    }

    const QList<Churn> churns{{21, 14}, {13, 9}};
    ConsoleMessageBoxes messages;
    SystemPlatform platform{messages};
    FakeTickClock clock;
    UdpDatagramSocket socket;
    QueryStack stack{socket, onClock(platform.services, clock), false};
    ServerTable &table = stack.table;
    QueryEngine &engine = stack.engine;
    Poller poller{engine, table};
    SimulatedServerFarm farm{5};
    QList<int> slots;
    int scans = 0;
    int scansSent = 0;
    QHash<int, int> finalReplies;
    QTemporaryDir dir;
    HistoryStore store;
    std::unique_ptr<HistoryRecorder> recorder;
    qint64 now = 0;
};

TEST_F(HistoryChurnTest, ADayOfChurnPeaksInTheDayPlotAtEachServersBusiestHour)
{
    const qint64 midnight = QDateTime(QDate(2024, 6, 3), QTime(0, 0), kZone).toSecsSinceEpoch();
    for (qint64 time = midnight + kStep; time <= midnight + kDay; time += kStep)
        scanAt(time);

    HistoryPage page;
    page.resize(1000, 700);
    page.setSource(&store);
    page.show();
    for (int k = 0; k < farm.size(); ++k) {
        page.showServer(historyServer(k), now);
        for (int pass = 0; pass < 4; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const HistoryPlotView *day = page.findChild<HistoryPlotView *>(QStringLiteral("pbx_History24h"));
        ASSERT_NE(day, nullptr);
        const QList<HistorySample> samples = store.samples(historyServer(k), now - kDay, now);
        ASSERT_EQ(samples.size(), kDay / kStep) << k;
        const HistoryPlotLayout::Plot plot = day->layout();
        ASSERT_GE(plot.peak, 0);
        const QDateTime peak = QDateTime::fromSecsSinceEpoch(samples[plot.peak].time, kZone);
        EXPECT_EQ(peak.time(), QTime(churns[k].peakHour, 0)) << k;
        EXPECT_EQ(samples[plot.peak].players, churns[k].most);
        // The highest point of the line is the peak's.
        for (const QPointF &point : plot.points)
            EXPECT_GE(point.y(), plot.points[plot.peak].y());
        EXPECT_TRUE(day->accessibleDescription().contains(
            QStringLiteral(": %1 of %2 players").arg(churns[k].most).arg(farm.server(k)->config().maxPlayers)))
            << day->accessibleDescription().toStdString();
        // The text view tells the busiest hour of the day.
        const QString hour = QStringLiteral("  Mon %1:00-%2:00: ")
                                 .arg(churns[k].peakHour, 2, 10, QLatin1Char('0'))
                                 .arg(churns[k].peakHour + 1, 2, 10, QLatin1Char('0'));
        const QString text = page.findChild<QPlainTextEdit *>(QStringLiteral("mm_History"))->toPlainText();
        EXPECT_TRUE(text.contains(hour)) << text.toStdString();
    }
    EXPECT_TRUE(store.isAvailable());
}

} // namespace
