// A day of players coming and going on two simulated servers, scanned over
// real sockets on 127.0.0.1 every ten minutes of a clock the test moves on,
// recorded into a real history file and read back by the History page.
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "mainwindow/HistoryPage.h"
#include "mainwindow/HistoryPlotView.h"
#include "support/SimulatedFarmScans.h"
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

class HistoryChurnTest : public ::testing::Test, protected SimulatedFarmScans
{
protected:
    struct Churn
    {
        int peakHour;
        int most;
    };

    HistoryChurnTest()
        : SimulatedFarmScans(5)
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(start(int(churns.size())));
        ASSERT_TRUE(store.open(HistoryStore::filePath(dir.path()))) << qPrintable(store.errorString());
        recorder = std::make_unique<HistoryRecorder>(store, table, engine, poller, [this] { return now; });
    }

    HistoryServer historyServer(int k) const { return {QStringLiteral("127.0.0.1"), farm.server(k)->queryPort()}; }

    // Sets each server's players for this time of day and scans; the
    // recorder writes the replies.
    void scanAt(qint64 time)
    {
        now = time;
        for (int k = 0; k < farm.size(); ++k) {
            QList<SimulatedPlayer> players;
            for (int p = 0; p < churn(time, churns[k].peakHour, churns[k].most); ++p)
                players.append(SimulatedPlayer{QStringLiteral("Player%1").arg(p)});
            farm.server(k)->setPlayers(players);
        }
        ASSERT_TRUE(scan(15000));
        recorder->flush();
    }

    const QList<Churn> churns{{21, 14}, {13, 9}};
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
