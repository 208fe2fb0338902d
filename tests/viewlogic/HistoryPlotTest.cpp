#include "viewlogic/HistoryPlotLayout.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace {

using namespace HistoryPlotLayout;

// Tuesday 4 June 2024, 00:00 UTC.
constexpr qint64 kTuesday = 1717459200;

HistorySample sample(qint64 time, int players, const char *map = "DM-Deck16][", int maxPlayers = 16)
{
    return HistorySample{time, players, maxPlayers, QString::fromLatin1(map)};
}

// A day of samples every five minutes, two players, and twelve at 20:00 local time.
QList<HistorySample> dayWithPeak(qint64 now, const QTimeZone &zone)
{
    const qint64 peak = QDateTime(QDate(2024, 6, 3), QTime(20, 0), zone).toSecsSinceEpoch();
    QList<HistorySample> samples;
    for (qint64 t = now - kDay; t <= now; t += 300)
        samples.append(sample(t, t == peak ? 12 : 2, t == peak ? "CTF-Face" : "DM-Deck16]["));
    return samples;
}

class PeakInZone : public ::testing::TestWithParam<int>
{
};

TEST_P(PeakInZone, PeakSitsAtItsLocalHour)
{
    const QTimeZone zone(GetParam());
    // The day ends at local midnight, so local 20:00 is 20/24 across.
    const qint64 now = QDateTime(QDate(2024, 6, 4), QTime(0, 0), zone).toSecsSinceEpoch();
    const QList<HistorySample> samples = dayWithPeak(now, zone);
    const Plot plot = layoutPlot(samples, now - kDay, now, QRectF(40, 10, 960, 200), zone);

    ASSERT_GE(plot.peak, 0);
    EXPECT_EQ(samples[plot.peak].players, 12);
    EXPECT_DOUBLE_EQ(plot.points[plot.peak].x(), 40 + 800);
    EXPECT_EQ(plot.top, 12);
    EXPECT_DOUBLE_EQ(plot.points[plot.peak].y(), 10);
    EXPECT_NEAR(plot.points[0].y(), 210 - 2 * 200.0 / 12, 1e-9);

    // 40 pixels an hour: a tick every two hours, "20:00" above the peak,
    // the midnights named by their day.
    EXPECT_EQ(plot.tickSeconds, 2 * kHour);
    ASSERT_EQ(plot.xTicks.size(), 13);
    EXPECT_EQ(plot.xTicks[0].label, QStringLiteral("Mon"));
    EXPECT_DOUBLE_EQ(plot.xTicks[0].pos, 40);
    EXPECT_EQ(plot.xTicks[10].label, QStringLiteral("20:00"));
    EXPECT_DOUBLE_EQ(plot.xTicks[10].pos, plot.points[plot.peak].x());
    EXPECT_EQ(plot.xTicks[12].label, QStringLiteral("Tue"));
    EXPECT_DOUBLE_EQ(plot.xTicks[12].pos, 1000);
    EXPECT_EQ(sampleText(samples[plot.peak], zone), QStringLiteral("Mon 3 Jun 20:00: 12 of 16 players, CTF-Face"));
}

// UTC, two hours ahead, and an offset that is not whole hours.
INSTANTIATE_TEST_SUITE_P(HistoryPlotLayout, PeakInZone, ::testing::Values(0, 2 * 3600, 5 * 3600 + 1800, -7 * 3600));

TEST(HistoryPlotLayout, ValueAxisTakesNiceSteps)
{
    const QTimeZone utc = QTimeZone::utc();
    const auto ticks = [&](int peak, double height) {
        const Plot plot =
            layoutPlot({sample(kTuesday, peak)}, kTuesday - kDay, kTuesday, QRectF(0, 0, 500, height), utc);
        QStringList labels;
        for (const Tick &tick : plot.yTicks)
            labels.append(tick.label);
        return labels;
    };
    EXPECT_EQ(ticks(12, 100),
              (QStringList{QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15")}));
    EXPECT_EQ(ticks(3, 200),
              (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    // An empty server still has a scale.
    EXPECT_EQ(ticks(0, 200), (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(ticks(64, 40), (QStringList{QStringLiteral("0"), QStringLiteral("100")}));
}

TEST(HistoryPlotLayout, WeekTicksAtLocalMidnights)
{
    const QTimeZone zone(2 * 3600);
    const qint64 now = QDateTime(QDate(2024, 6, 4), QTime(15, 0), zone).toSecsSinceEpoch();
    const Plot plot = layoutPlot({}, now - kWeek, now, QRectF(0, 0, 700, 100), zone);
    EXPECT_EQ(plot.tickSeconds, kDay);
    ASSERT_EQ(plot.xTicks.size(), 7);
    EXPECT_EQ(plot.xTicks.first().label, QStringLiteral("Wed 29"));
    EXPECT_EQ(plot.xTicks.last().label, QStringLiteral("Tue 4"));
    // Midnight is 15 hours before now: 700 x 15 / 168 from the right.
    EXPECT_NEAR(plot.xTicks.last().pos, 700 - 700 * 15.0 / 168, 1e-9);
    EXPECT_TRUE(plot.runs.isEmpty());
    EXPECT_EQ(plot.peak, -1);
}

TEST(HistoryPlotLayout, GapsBreakTheLine)
{
    QList<HistorySample> samples;
    for (qint64 t = kTuesday - kDay; t < kTuesday - 14 * kHour; t += 300)
        samples.append(sample(t, 3));
    for (qint64 t = kTuesday - 11 * kHour; t <= kTuesday - 10 * kHour; t += 300)
        samples.append(sample(t, 4));
    samples.append(sample(kTuesday - 2 * kHour, 5));
    EXPECT_EQ(joinLimit(samples), 900);

    const Plot plot = layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 2880, 100), QTimeZone::utc());
    ASSERT_EQ(plot.runs.size(), 3);
    EXPECT_EQ(plot.runs[0].line.size(), 120);
    EXPECT_DOUBLE_EQ(plot.runs[0].line.last().x(), plot.points[119].x());
    EXPECT_FALSE(plot.runs[0].dense);
    EXPECT_EQ(plot.runs[1].line.size(), 13);
    EXPECT_DOUBLE_EQ(plot.runs[1].line.first().x(), 13 * 120);
    // The area stops with the line: its columns span the run's points only.
    EXPECT_EQ(plot.runs[1].columns.size(), 121);
    EXPECT_DOUBLE_EQ(plot.runs[1].columns.first().x, 13 * 120);
    EXPECT_DOUBLE_EQ(plot.runs[1].columns.last().x, 14 * 120);
    // A lone sample is a run of one point.
    EXPECT_EQ(plot.runs[2].line.size(), 1);
    EXPECT_DOUBLE_EQ(plot.runs[2].line.first().x(), 22 * 120);

    // A wider limit joins the first two.
    PlotOptions options;
    options.maxGap = 4 * kHour;
    EXPECT_EQ(
        layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 2880, 100), QTimeZone::utc(), options).runs.size(),
        2);
}

TEST(HistoryPlotLayout, SparseRecordingStillJoins)
{
    // Samples every half hour are one line, not dots.
    QList<HistorySample> samples;
    for (qint64 t = kTuesday - kDay; t <= kTuesday; t += 1800)
        samples.append(sample(t, 1));
    EXPECT_EQ(joinLimit(samples), 5400);
    EXPECT_EQ(joinLimit({sample(kTuesday, 1)}), kMinGap);
    EXPECT_EQ(layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 500, 100), QTimeZone::utc()).runs.size(), 1);
}

TEST(HistoryPlotLayout, DenseSamplesKeepTheirEnvelopeInFewPoints)
{
    // A week every minute: 10,081 samples on 700 pixels, one spike.
    QList<HistorySample> samples;
    for (qint64 t = kTuesday - kWeek; t <= kTuesday; t += 60)
        samples.append(sample(t, int((t / 60) % 7)));
    samples[5000].players = 30;
    for (double ratio : {1.0, 2.0}) {
        PlotOptions options;
        options.devicePixelRatio = ratio;
        const Plot plot =
            layoutPlot(samples, kTuesday - kWeek, kTuesday, QRectF(0, 0, 700, 300), QTimeZone::utc(), options);
        ASSERT_EQ(plot.points.size(), samples.size());
        ASSERT_EQ(plot.runs.size(), 1);
        const HistoryPlotLayout::Run &run = plot.runs[0];
        EXPECT_TRUE(run.dense);
        EXPECT_LE(run.line.size(), 4 * (700 * ratio + 1));
        EXPECT_EQ(run.line.first(), plot.points.first());
        EXPECT_EQ(run.line.last(), plot.points.last());
        EXPECT_TRUE(run.line.contains(plot.points[5000]));

        // One column per device pixel, each spanning the lowest to the
        // highest count in it, the area starting at the lowest.
        ASSERT_EQ(run.columns.size(), 700 * ratio + 1);
        const Column &spike = run.columns[qsizetype(std::floor(plot.points[5000].x() * ratio))];
        EXPECT_DOUBLE_EQ(spike.width, 1 / ratio);
        EXPECT_DOUBLE_EQ(spike.top, plot.points[5000].y());
        EXPECT_DOUBLE_EQ(spike.bottom, 300);
        EXPECT_DOUBLE_EQ(spike.fillTop, 300);
        const Column &last = run.columns.last();
        EXPECT_DOUBLE_EQ(last.x, 700);
        // The last sample sits alone on the area's right edge.
        EXPECT_DOUBLE_EQ(last.top, plot.points.last().y());
        EXPECT_DOUBLE_EQ(last.bottom, plot.points.last().y());
        // Between, every column reaches from 6 players to none.
        EXPECT_DOUBLE_EQ(run.columns[100].top, yForPlayers(plot, 6));
        EXPECT_DOUBLE_EQ(run.columns[100].bottom, 300);
    }
}

TEST(HistoryPlotLayout, SparseColumnsFollowTheLine)
{
    // Two samples two hours apart on 10 pixels an hour: a slope over 20 columns.
    const QList<HistorySample> samples = {sample(kTuesday - kDay, 0), sample(kTuesday - kDay + 2 * kHour, 10)};
    PlotOptions options;
    options.maxGap = 3 * kHour;
    const Plot plot = layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 240, 100), QTimeZone::utc(), options);
    ASSERT_EQ(plot.runs.size(), 1);
    const HistoryPlotLayout::Run &run = plot.runs[0];
    EXPECT_FALSE(run.dense);
    EXPECT_EQ(run.line.size(), 2);
    ASSERT_EQ(run.columns.size(), 21);
    // Top is 10 players: each column climbs 5 pixels, the area starts in its middle.
    EXPECT_DOUBLE_EQ(run.columns[4].x, 4);
    EXPECT_DOUBLE_EQ(run.columns[4].top, 100 - 25);
    EXPECT_DOUBLE_EQ(run.columns[4].bottom, 100 - 20);
    EXPECT_DOUBLE_EQ(run.columns[4].fillTop, 100 - 22.5);
    EXPECT_DOUBLE_EQ(run.columns[20].top, 0);
}

TEST(HistoryPlotLayout, AJaggedLineIsABand)
{
    // Every other sample full, on 2.5 pixels a sample: the line is 80 times
    // longer than wide.
    QList<HistorySample> samples;
    for (qint64 t = kTuesday - kDay; t <= kTuesday; t += 300)
        samples.append(sample(t, int(samples.size() % 2) * 16));
    const Plot plot = layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 720, 200), QTimeZone::utc());
    ASSERT_EQ(plot.runs.size(), 1);
    EXPECT_TRUE(plot.runs[0].dense);
    // A gentle one is not.
    for (HistorySample &s : samples)
        s.players = int(s.time / 3600 % 4);
    EXPECT_FALSE(
        layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 720, 200), QTimeZone::utc()).runs[0].dense);
}

TEST(HistoryPlotLayout, NearestPointToTheMouse)
{
    const QList<HistorySample> samples = {sample(kTuesday - kDay, 1), sample(kTuesday - kDay + 3600, 2),
                                          sample(kTuesday - kDay + 3 * 3600, 3)};
    // 10 pixels an hour.
    const Plot plot = layoutPlot(samples, kTuesday - kDay, kTuesday, QRectF(0, 0, 240, 100), QTimeZone::utc());
    EXPECT_EQ(nearestPoint(plot, 4, 20), 0);
    EXPECT_EQ(nearestPoint(plot, 6, 20), 1);
    EXPECT_EQ(nearestPoint(plot, 20, 20), 1); // a tie takes the earlier
    EXPECT_EQ(nearestPoint(plot, 21, 20), 2);
    EXPECT_EQ(nearestPoint(plot, -5, 20), 0);
    EXPECT_EQ(nearestPoint(plot, 60, 20), -1);
    EXPECT_EQ(nearestPoint(plot, 49, 20), 2);

    EXPECT_EQ(nearestSample(samples, kTuesday), 2);
    EXPECT_EQ(nearestSample(samples, 0), 0);
    EXPECT_EQ(nearestSample(samples, kTuesday - kDay + 2 * 3600), 1);
    EXPECT_EQ(nearestSample(samples, kTuesday - kDay + 2 * 3600 + 1), 2);
    EXPECT_EQ(nearestSample({}, kTuesday), -1);
}

TEST(HistoryPlotLayout, CrispLinesCoverWholeDevicePixels)
{
    EXPECT_DOUBLE_EQ(crispLine(10.3, 1).pos, 10.5);
    EXPECT_DOUBLE_EQ(crispLine(10.3, 1).width, 1);
    EXPECT_DOUBLE_EQ(crispLine(10.3, 2).pos, 10.5);
    EXPECT_DOUBLE_EQ(crispLine(10.3, 2).width, 1);
    EXPECT_DOUBLE_EQ(crispLine(10.7, 2).pos, 11);
    // At one and a half, two device pixels from the 15th.
    EXPECT_DOUBLE_EQ(crispLine(10.3, 1.5).pos, 16 / 1.5);
    EXPECT_DOUBLE_EQ(crispLine(10.3, 1.5).width, 2 / 1.5);
}

TEST(HistoryPlotLayout, SampleTextWithoutSlotsOrMap)
{
    EXPECT_EQ(sampleText(HistorySample{kTuesday + 65, 1, 0, {}}, QTimeZone::utc()),
              QStringLiteral("Tue 4 Jun 00:01: 1 player"));
    EXPECT_EQ(sampleText(HistorySample{kTuesday, 0, 0, QStringLiteral("DM-Morpheus")}, QTimeZone::utc()),
              QStringLiteral("Tue 4 Jun 00:00: 0 players, DM-Morpheus"));
}

WeekHours someHours()
{
    WeekHours hours;
    hours.fill(-1);
    hours[4 * 24 + 20] = 9.5; // Friday 20:00
    hours[4 * 24 + 21] = 7.3;
    hours[0] = 0;             // Monday 00:00, sampled, empty
    hours[6 * 24 + 23] = 9.5; // Sunday 23:00, as busy as Friday
    return hours;
}

TEST(HistoryPlotLayout, BusyCellsFillTheGridWithTheirLevel)
{
    BusyOptions options;
    options.dayLabelWidth = 40;
    options.textHeight = 14;
    options.legendLabelWidth = 80;
    // Grid: x 40 to 520, 20 a column; y 16 to 296, 40 a row; the legend below.
    const BusyGrid grid = layoutBusyHours(someHours(), QRectF(0, 0, 520, 316), options);
    ASSERT_EQ(grid.cells.size(), 168);
    EXPECT_DOUBLE_EQ(grid.maxValue, 9.5);
    const BusyCell &friday = grid.cells[4 * 24 + 20];
    EXPECT_EQ(friday.day, 4);
    EXPECT_EQ(friday.hour, 20);
    EXPECT_DOUBLE_EQ(friday.level, 1);
    EXPECT_EQ(friday.rect, QRectF(440, 176, 19, 39));
    EXPECT_DOUBLE_EQ(grid.cells[4 * 24 + 21].level, 7.3 / 9.5);
    EXPECT_DOUBLE_EQ(grid.cells[0].level, 0);
    EXPECT_DOUBLE_EQ(grid.cells[0].value, 0);
    EXPECT_LT(grid.cells[1].level, 0);
    EXPECT_EQ(grid.cells[0].rect, QRectF(40, 16, 19, 39));

    EXPECT_EQ(busyCellAt(grid, QPointF(450, 190)), 4 * 24 + 20);
    EXPECT_EQ(busyCellAt(grid, QPointF(459.5, 190)), -1); // the gap between cells
    EXPECT_EQ(busyCellAt(grid, QPointF(10, 190)), -1);

    ASSERT_EQ(grid.dayLabels.size(), 7);
    EXPECT_EQ(grid.dayLabels[4].label, QStringLiteral("Fri"));
    EXPECT_DOUBLE_EQ(grid.dayLabels[4].pos, 196);
    // 20 pixels a column: a label every other hour.
    ASSERT_EQ(grid.hourLabels.size(), 12);
    EXPECT_EQ(grid.hourLabels[10].label, QStringLiteral("20"));
    EXPECT_DOUBLE_EQ(grid.hourLabels[10].pos, 450);

    EXPECT_EQ(grid.legendNoData, QRectF(40, 302, 14, 14));
    EXPECT_EQ(grid.legendRamp, QRectF(256, 302, 184, 14));
    EXPECT_EQ(grid.legendMax, QStringLiteral("9.5 players"));

    EXPECT_EQ(busyCellText(friday), QStringLiteral("Fri 20:00-21:00: 9.5 players on average"));
    EXPECT_EQ(busyCellText(grid.cells[6 * 24 + 23]), QStringLiteral("Sun 23:00-00:00: 9.5 players on average"));
    EXPECT_EQ(busyCellText(grid.cells[1]), QStringLiteral("Mon 01:00-02:00: no samples"));
}

TEST(HistoryPlotLayout, LowRowsNameEveryOtherDay)
{
    BusyOptions options;
    options.textHeight = 14;
    const auto days = [&](double height) {
        QStringList names;
        for (const Tick &label : layoutBusyHours(someHours(), QRectF(0, 0, 400, height), options).dayLabels)
            names.append(label.label);
        return names.join(QLatin1Char(' '));
    };
    // 16 for the hours above, 20 for the legend below, the rest for 7 rows.
    EXPECT_EQ(days(36 + 7 * 14), QStringLiteral("Mon Tue Wed Thu Fri Sat Sun"));
    EXPECT_EQ(days(36 + 7 * 13), QStringLiteral("Mon Wed Fri Sun"));
    EXPECT_EQ(days(36 + 7 * 6), QStringLiteral("Mon Thu Sun"));
}

TEST(HistoryPlotLayout, BusyCellsSnapToDevicePixels)
{
    BusyOptions options;
    options.devicePixelRatio = 2;
    const BusyGrid grid = layoutBusyHours(someHours(), QRectF(3.3, 2.2, 411.1, 203.7), options);
    for (const BusyCell &cell : grid.cells) {
        for (double edge : {cell.rect.left(), cell.rect.top(), cell.rect.right(), cell.rect.bottom()})
            ASSERT_DOUBLE_EQ(edge * 2, std::round(edge * 2)) << cell.day << " " << cell.hour;
        ASSERT_GT(cell.rect.width(), 0);
    }
    // Neighbours never overlap.
    EXPECT_LT(grid.cells[0].rect.right(), grid.cells[1].rect.left());
    EXPECT_LT(grid.cells[0].rect.bottom(), grid.cells[24].rect.top());
}

TEST(HistoryPlotLayout, BusiestHoursInOrder)
{
    const QList<BusyHour> busiest = busiestHours(someHours(), 5);
    ASSERT_EQ(busiest.size(), 3); // the empty hour is left out
    EXPECT_EQ(busiest[0].day, 4);
    EXPECT_EQ(busiest[0].hour, 20);
    EXPECT_EQ(busiest[1].day, 6); // a tie keeps the week's order
    EXPECT_EQ(busiest[2].hour, 21);
    EXPECT_EQ(busiestHours(someHours(), 1).size(), 1);
    WeekHours none;
    none.fill(-1);
    EXPECT_TRUE(busiestHours(none, 5).isEmpty());
}

TEST(HistoryPlotLayout, HourlyRowsTakeEachHoursPeakAndMaps)
{
    const QTimeZone zone(2 * 3600);
    const qint64 now = QDateTime(QDate(2024, 6, 4), QTime(0, 10), zone).toSecsSinceEpoch();
    QList<HistorySample> samples = dayWithPeak(now - 600, zone);
    samples.append(sample(QDateTime(QDate(2024, 6, 3), QTime(20, 25), zone).toSecsSinceEpoch(), 4, "DM-Morpheus", 8));
    std::stable_sort(samples.begin(), samples.end(), [](const auto &a, const auto &b) { return a.time < b.time; });
    // Nothing was recorded from 03:00 to 04:00.
    samples.erase(std::remove_if(samples.begin(), samples.end(),
                                 [&](const HistorySample &s) {
                                     const QTime t = QDateTime::fromSecsSinceEpoch(s.time, zone).time();
                                     return t.hour() == 3;
                                 }),
                  samples.end());

    const QList<HourRow> rows = hourlyRows(samples, now, zone);
    ASSERT_EQ(rows.size(), 24);
    EXPECT_EQ(rows.last().start, now - 600);
    EXPECT_EQ(rows.first().start, now - 600 - 23 * kHour);
    const HourRow &eight = rows[19];
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(eight.start, zone).time(), QTime(20, 0));
    EXPECT_EQ(eight.samples, 13);
    EXPECT_EQ(eight.players, 12);
    EXPECT_EQ(eight.maxPlayers, 16);
    EXPECT_EQ(eight.maps,
              (QStringList{QStringLiteral("CTF-Face"), QStringLiteral("DM-Deck16]["), QStringLiteral("DM-Morpheus")}));
    EXPECT_EQ(rows[2].samples, 0);
    EXPECT_EQ(rows.last().samples, 1); // 00:00 of the new day

    const QStringList lines = textLines(samples, someHours(), now, zone);
    ASSERT_GE(lines.size(), 24 + 1);
    EXPECT_EQ(lines[0], QStringLiteral("Last 24 hours, each hour: most players, of the slots, maps played"));
    EXPECT_EQ(lines[1 + 2], QStringLiteral("  Mon 03:00  no samples"));
    EXPECT_EQ(lines[1 + 19], QStringLiteral("  Mon 20:00  12 of 16 players  CTF-Face, DM-Deck16][, DM-Morpheus"));
    EXPECT_EQ(lines[1 + 23], QStringLiteral("  Tue 00:00  2 of 16 players  DM-Deck16]["));
}

TEST(HistoryPlotLayout, DailyRowsGiveFewestAverageAndMost)
{
    const QTimeZone zone(-5 * 3600);
    const qint64 now = QDateTime(QDate(2024, 6, 4), QTime(12, 0), zone).toSecsSinceEpoch();
    const auto at = [&](int day, int hour) {
        return QDateTime(QDate(2024, 6, day), QTime(hour, 0), zone).toSecsSinceEpoch();
    };
    const QList<HistorySample> samples = {
        // Before the seven days.
        HistorySample{QDateTime(QDate(2024, 5, 28), QTime(23, 0), zone).toSecsSinceEpoch(), 9, 16, {}},
        sample(at(2, 23), 1),
        sample(at(3, 0), 2),
        sample(at(3, 12), 7),
        sample(at(3, 23), 3),
        sample(at(4, 1), 0),
        sample(at(4, 11), 5),
    };
    const QList<DayRow> rows = dailyRows(samples, now, zone);
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(rows.first().date, QDate(2024, 5, 29));
    EXPECT_EQ(rows.last().date, QDate(2024, 6, 4));
    EXPECT_EQ(rows[5].samples, 3);
    EXPECT_EQ(rows[5].minPlayers, 2);
    EXPECT_DOUBLE_EQ(rows[5].avgPlayers, 4);
    EXPECT_EQ(rows[5].maxPlayers, 7);
    EXPECT_EQ(rows[6].samples, 2);
    EXPECT_DOUBLE_EQ(rows[6].avgPlayers, 2.5);
    EXPECT_EQ(rows[4].samples, 1);
    EXPECT_EQ(rows[0].samples, 0);

    const QStringList lines = textLines(samples, someHours(), now, zone);
    const qsizetype days = lines.indexOf(QStringLiteral("Last 7 days, each day: fewest, average and most players"));
    ASSERT_GT(days, 0);
    EXPECT_EQ(lines[days + 1], QStringLiteral("  Wed 29 May  no samples"));
    EXPECT_EQ(lines[days + 6], QStringLiteral("  Mon 3 Jun  2 / 4.0 / 7"));
    EXPECT_EQ(lines[days + 7], QStringLiteral("  Tue 4 Jun  0 / 2.5 / 5"));
    EXPECT_EQ(lines[days + 9], QStringLiteral("Busiest hours of the week, average players"));
    EXPECT_EQ(lines[days + 10], QStringLiteral("  Fri 20:00-21:00: 9.5 players on average"));
    EXPECT_EQ(lines.last(), QStringLiteral("  Fri 21:00-22:00: 7.3 players on average"));

    WeekHours none;
    none.fill(-1);
    EXPECT_EQ(textLines({}, none, now, zone).last(), QStringLiteral("  none yet"));
}

} // namespace
