// The history page over a fake history: what it shows, the keyboard's and
// the mouse's points, and its pixels in a dark theme at two scales.
#include "config/Settings.h"
#include "core/DebugLog.h"
#include "mainwindow/HistoryBusyHoursView.h"
#include "mainwindow/HistoryColors.h"
#include "mainwindow/HistoryPage.h"
#include "mainwindow/HistoryPlotView.h"
#include "mainwindow/ServerPages.h"
#include "support/EventLoopWait.h"
#include "support/FakePlatform.h"
#include "support/ShownToolTip.h"
#include "viewlogic/HistoryPlotLayout.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace HistoryPlotLayout;

// What the page reads, kept in memory, and how often it was asked.
class FakeHistory final : public HistorySource
{
public:
    QList<HistorySample> samples(const HistoryServer &server, qint64 from, qint64 to) const override
    {
        ++sampleReads;
        QList<HistorySample> found;
        for (const HistorySample &sample : stored.value(server.key())) {
            if (sample.time >= from && sample.time <= to)
                found.append(sample);
        }
        return found;
    }

    WeekHours busyHours(const HistoryServer &server, qint64) const override
    {
        WeekHours none;
        none.fill(-1);
        return hours.value(server.key(), none);
    }

    std::optional<PlayerSighting> lastSighting(const QString &) const override { return std::nullopt; }

    QMap<QString, QList<HistorySample>> stored;
    QMap<QString, WeekHours> hours;
    mutable int sampleReads = 0;
};

const QTimeZone kZone = QTimeZone::systemTimeZone();

qint64 localTime(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 6, day), QTime(hour, minute), kZone).toSecsSinceEpoch();
}

// A week of samples every five minutes ending Tuesday 00:30: a few players,
// more in the evenings, twelve on Monday at 20:00, and nothing recorded on
// Sunday morning.
QList<HistorySample> sampleWeek(qint64 now)
{
    static const QStringList maps = {QStringLiteral("DM-Deck16]["), QStringLiteral("DM-Morpheus"),
                                     QStringLiteral("DM-Fractal"), QStringLiteral("DM-Phobos")};
    const qint64 peak = localTime(3, 20);
    QList<HistorySample> week;
    for (qint64 t = now - kWeek + 300; t <= now; t += 300) {
        if (t >= localTime(2, 2) && t < localTime(2, 8))
            continue;
        const int hour = QDateTime::fromSecsSinceEpoch(t, kZone).time().hour();
        const int players = t == peak ? 12 : (hour >= 18 && hour < 23 ? 6 + int(t / 300 % 3) : 1 + int(t / 900 % 2));
        week.append(HistorySample{t, players, 16, t == peak ? QStringLiteral("CTF-Face") : maps[t / 1800 % 4]});
    }
    return week;
}

WeekHours sampleHours()
{
    WeekHours hours;
    for (int k = 0; k < 7 * 24; ++k) {
        const int hour = k % 24;
        hours[size_t(k)] = hour < 8 ? 0.5 : (hour >= 18 && hour < 23 ? 5 + (k / 24) * 0.5 : 1.5);
    }
    hours[4 * 24 + 20] = 9.5; // Friday 20:00
    hours[0] = 0;
    hours[1] = -1; // Monday 01:00 was never sampled
    return hours;
}

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    palette.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    palette.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    palette.setColor(QPalette::ButtonText, QColor(0xe0, 0xe0, 0xe0));
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    palette.setColor(QPalette::HighlightedText, QColor(0x10, 0x10, 0x10));
    return palette;
}

class HistoryPageTest : public ::testing::Test
{
protected:
    HistoryPageTest()
    {
        history.stored.insert(server.key(), sampleWeek(now));
        history.hours.insert(server.key(), sampleHours());
        page.resize(1000, 700);
    }

    template<typename T>
    T *child(const char *name) const
    {
        T *found = page.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    HistoryPlotView *dayPlot() const { return child<HistoryPlotView>("pbx_History24h"); }
    HistoryPlotView *weekPlot() const { return child<HistoryPlotView>("pbx_History7d"); }
    HistoryBusyHoursView *busyView() const { return child<HistoryBusyHoursView>("pbx_BusyHours"); }
    QPlainTextEdit *text() const { return child<QPlainTextEdit>("mm_History"); }
    QLabel *noHistory() const { return child<QLabel>("lbl_NoHistory"); }

    QList<HistorySample> daySamples() const { return history.samples(server, now - kDay, now); }

    // Shows the server and lays the page out, as the event loop does before it paints.
    void show(HistoryPage &target, qint64 at)
    {
        target.showServer(server, at);
        for (int pass = 0; pass < 4; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }

    void showActive(QWidget &window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    }

    FakeHistory history;
    HistoryServer server{QStringLiteral("10.0.0.1"), 7777};
    qint64 now = localTime(4, 0, 30);
    HistoryPage page;
};

TEST_F(HistoryPageTest, SaysSoWithoutHistory)
{
    page.show();
    show(page, now);
    EXPECT_TRUE(noHistory()->isVisible());
    EXPECT_EQ(noHistory()->text(), QStringLiteral("No history yet for this server"));
    EXPECT_FALSE(text()->isVisible());

    page.setSource(&history);
    page.showServer(HistoryServer{QStringLiteral("10.0.0.2"), 7777}, now);
    EXPECT_TRUE(noHistory()->isVisible());

    show(page, now);
    EXPECT_FALSE(noHistory()->isVisible());
    EXPECT_TRUE(text()->isVisible());
    EXPECT_EQ(child<QLabel>("lbl_HistoryServer")->text(), QStringLiteral("History of 10.0.0.1:7777"));

    // Back to a server without history.
    page.showServer(HistoryServer{QStringLiteral("10.0.0.2"), 7777}, now);
    EXPECT_TRUE(noHistory()->isVisible());
}

TEST_F(HistoryPageTest, TextViewReadsTheFigures)
{
    page.setSource(&history);
    show(page, now);
    const QList<HistorySample> week = history.samples(server, now - kWeek, now);
    EXPECT_EQ(text()->toPlainText(), textLines(week, sampleHours(), now, kZone).join(QLatin1Char('\n')));
    const QStringList lines = text()->toPlainText().split(QLatin1Char('\n'));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(QStringLiteral("  Mon 20:00  12 of 16 players  CTF-Face, "));
    })) << text()->toPlainText().toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("  Fri 20:00-21:00: 9.5 players on average")));
    EXPECT_TRUE(text()->isReadOnly());
}

TEST_F(HistoryPageTest, ShowingAgainRefreshes)
{
    page.setSource(&history);
    show(page, now);
    EXPECT_EQ(history.sampleReads, 1);
    EXPECT_EQ(dayPlot()->layout().points.size(), daySamples().size());

    history.stored[server.key()].append(HistorySample{now + 300, 15, 16, QStringLiteral("CTF-Coret")});
    now += 600;
    show(page, now);
    EXPECT_EQ(history.sampleReads, 3); // the page's and the test's own
    EXPECT_EQ(daySamples()[dayPlot()->layout().peak].players, 15);
    const QStringList lines = text()->toPlainText().split(QLatin1Char('\n'));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString &line) {
        return line.startsWith(QStringLiteral("  Tue 00:00  15 of 16 players  "))
               && line.endsWith(QStringLiteral("CTF-Coret"));
    })) << text()->toPlainText().toStdString();
}

TEST_F(HistoryPageTest, PlotsPutThePeakAtItsHour)
{
    page.setSource(&history);
    page.show();
    show(page, now);
    const Plot day = dayPlot()->layout();
    ASSERT_GE(day.peak, 0);
    EXPECT_EQ(daySamples()[day.peak].time, localTime(3, 20));
    // Ticks every three hours at this width: 20:00 is two thirds from 18:00 to 21:00.
    ASSERT_EQ(day.tickSeconds, 3 * kHour);
    const auto tickAt = [&](const QString &label) {
        const auto found =
            std::find_if(day.xTicks.begin(), day.xTicks.end(), [&](const Tick &tick) { return tick.label == label; });
        return found == day.xTicks.end() ? -1.0 : found->pos;
    };
    const double eighteen = tickAt(QStringLiteral("18:00"));
    const double twentyOne = tickAt(QStringLiteral("21:00"));
    ASSERT_GT(eighteen, 0);
    EXPECT_NEAR(day.points[day.peak].x(), eighteen + (twentyOne - eighteen) * 2 / 3, 1e-9);
    // Sunday morning's hole splits the week's line.
    EXPECT_EQ(weekPlot()->layout().runs.size(), 2);
    EXPECT_EQ(weekPlot()->layout().tickSeconds, kDay);
}

TEST_F(HistoryPageTest, KeyboardStepsThroughThePoints)
{
    page.setSource(&history);
    showActive(page);
    show(page, now);
    const QList<HistorySample> samples = daySamples();
    HistoryPlotView *plot = dayPlot();
    plot->setFocus();
    ASSERT_TRUE(waitUntil([&] { return plot->hasFocus(); }));
    EXPECT_TRUE(plot->accessibleDescription().startsWith(QStringLiteral("Most players: Mon 3 Jun 20:00: 12 of 16")))
        << plot->accessibleDescription().toStdString();

    const auto describes = [&](qint64 time) {
        return plot->accessibleDescription() == sampleText(samples[nearestSample(samples, time)], kZone);
    };
    QTest::keyClick(plot, Qt::Key_End);
    EXPECT_EQ(plot->accessibleDescription(), sampleText(samples.last(), kZone));
    EXPECT_EQ(plot->toolTip(), plot->accessibleDescription());
    QTest::keyClick(plot, Qt::Key_Left);
    EXPECT_EQ(plot->accessibleDescription(), sampleText(samples[samples.size() - 2], kZone));
    QTest::keyClick(plot, Qt::Key_Home);
    QTest::keyClick(plot, Qt::Key_Right);
    EXPECT_EQ(plot->accessibleDescription(), sampleText(samples[1], kZone));
    // Page Down goes one tick on.
    const qint64 tick = plot->layout().tickSeconds;
    QTest::keyClick(plot, Qt::Key_PageDown);
    EXPECT_TRUE(describes(samples[1].time + tick)) << plot->accessibleDescription().toStdString();
    QTest::keyClick(plot, Qt::Key_Left);
    QTest::keyClick(plot, Qt::Key_Left);
    QTest::keyClick(plot, Qt::Key_Right);
    EXPECT_TRUE(describes(samples[1].time + tick - 300));

    // A refresh keeps the point at its time, and the next step goes on from there.
    show(page, now + 60);
    EXPECT_TRUE(describes(samples[1].time + tick - 300));
    QTest::keyClick(plot, Qt::Key_Right);
    EXPECT_TRUE(describes(samples[1].time + tick));

    // The busy hours start at the busiest and go by hours and days.
    HistoryBusyHoursView *busy = busyView();
    busy->setFocus();
    ASSERT_TRUE(waitUntil([&] { return busy->hasFocus(); }));
    EXPECT_TRUE(busy->accessibleDescription().startsWith(QStringLiteral("Busiest: Fri 20:00-21:00: 9.5 players")));
    QTest::keyClick(busy, Qt::Key_Right);
    EXPECT_EQ(busy->accessibleDescription(), QStringLiteral("Fri 20:00-21:00: 9.5 players on average"));
    QTest::keyClick(busy, Qt::Key_Right);
    QTest::keyClick(busy, Qt::Key_Down);
    EXPECT_EQ(busy->accessibleDescription(), QStringLiteral("Sat 21:00-22:00: 7.5 players on average"));
    QTest::keyClick(busy, Qt::Key_Home);
    for (int k = 0; k < 7; ++k)
        QTest::keyClick(busy, Qt::Key_Up);
    QTest::keyClick(busy, Qt::Key_Right);
    EXPECT_EQ(busy->accessibleDescription(), QStringLiteral("Mon 01:00-02:00: no samples"));
}

TEST_F(HistoryPageTest, MarkupInAMapNameIsShownAsText)
{
    const QString map = QStringLiteral("<b>DM-Evil</b><img src=\"x.png\">");
    history.stored.insert(server.key(), {HistorySample{now - 600, 3, 16, map}, HistorySample{now - 300, 5, 16, map}});
    page.setSource(&history);
    showActive(page);
    show(page, now);
    HistoryPlotView *plot = dayPlot();
    EXPECT_TRUE(plot->accessibleDescription().contains(map)) << plot->accessibleDescription().toStdString();
    EXPECT_EQ(shownToolTip(plot->toolTip()), plot->accessibleDescription());
    plot->setFocus();
    ASSERT_TRUE(waitUntil([&] { return plot->hasFocus(); }));
    QTest::keyClick(plot, Qt::Key_End);
    EXPECT_EQ(shownToolTip(plot->toolTip()), plot->accessibleDescription());
    EXPECT_TRUE(plot->accessibleDescription().endsWith(map));
    EXPECT_TRUE(text()->toPlainText().contains(map));
}

TEST_F(HistoryPageTest, TabReachesThePlotsAndTheText)
{
    QWidget window;
    auto *before = new QLineEdit(&window);
    auto *tabbed = new HistoryPage(&window);
    tabbed->setSource(&history);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(tabbed);
    window.resize(1000, 740);
    showActive(window);
    show(*tabbed, now);
    before->setFocus();
    ASSERT_TRUE(waitUntil([&] { return before->hasFocus(); }));

    QStringList reached;
    for (int k = 0; k < 4; ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(reached, (QStringList{QStringLiteral("pbx_History24h"), QStringLiteral("pbx_History7d"),
                                    QStringLiteral("pbx_BusyHours"), QStringLiteral("mm_History")}));
}

TEST_F(HistoryPageTest, EveryControlHasAnAccessibleName)
{
    page.setSource(&history);
    page.show();
    show(page, now);
    EXPECT_EQ(dayPlot()->accessibleName(), QStringLiteral("Players over the last 24 hours"));
    EXPECT_EQ(weekPlot()->accessibleName(), QStringLiteral("Players over the last 7 days"));
    EXPECT_EQ(busyView()->accessibleName(), QStringLiteral("Busy hours of the week"));
    EXPECT_EQ(text()->accessibleName(), QStringLiteral("History figures"));
    int controls = 0;
    for (QWidget *widget : page.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&page) || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        ++controls;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << widget->metaObject()->className();
    }
    EXPECT_GE(controls, 4);

    page.showServer(HistoryServer{QStringLiteral("10.0.0.2"), 7777}, now);
    QAccessibleInterface *empty = QAccessible::queryAccessibleInterface(noHistory());
    EXPECT_EQ(empty->text(QAccessible::Name), QStringLiteral("No history yet for this server"));
}

TEST_F(HistoryPageTest, HoverShowsTheSampleAtThePoint)
{
    page.setSource(&history);
    showActive(page);
    show(page, now);
    HistoryPlotView *plot = dayPlot();
    const Plot layout = plot->layout();
    const QPoint peak = (layout.points[layout.peak] + QPointF(0, 30)).toPoint();
    QTest::mouseMove(plot, peak);
    ASSERT_TRUE(waitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Mon 3 Jun 20:00: 12 of 16 players, CTF-Face"));
    QTest::mouseMove(plot, QPoint(2, 2));
    EXPECT_TRUE(waitUntil([] { return !QToolTip::isVisible(); }));
}

// The plots' colours come from a dark palette, and lines cover whole
// device pixels at both scales.
class HistoryRendering : public HistoryPageTest, public ::testing::WithParamInterface<int>
{
};

QImage rendered(QWidget &widget, int ratio)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

TEST_P(HistoryRendering, DarkThemeAtEveryScale)
{
    const int ratio = GetParam();
    const QPalette dark = darkPalette();
    page.setPalette(dark);
    page.setSource(&history);
    page.show();
    show(page, now);
    const QColor base = HistoryColors::background(dark);
    const QColor grid = HistoryColors::grid(dark);
    const QColor highlight = dark.color(QPalette::Highlight);
    ASSERT_NE(base, grid);

    HistoryPlotView *plot = dayPlot();
    const QImage image = rendered(*plot, ratio);
    ASSERT_EQ(image.width(), plot->width() * ratio);
    const auto at = [&](double x, double y) { return image.pixelColor(int(x * ratio), int(y * ratio)); };
    const Plot layout = plot->layout();
    EXPECT_EQ(at(2, 2), base);

    // Between two time ticks: the top value line covers whole device
    // pixels, with the background right above and below it.
    const double x = (layout.xTicks[1].pos + layout.xTicks[2].pos) / 2;
    const CrispLine top = crispLine(layout.yTicks.last().pos, ratio);
    const int row = int(std::floor(layout.yTicks.last().pos * ratio));
    const int pixels = int(top.width * ratio + 0.5);
    EXPECT_EQ(pixels, ratio);
    for (int k = 0; k < pixels; ++k)
        EXPECT_EQ(image.pixelColor(int(x * ratio), row + k), grid) << k;
    EXPECT_EQ(image.pixelColor(int(x * ratio), row - 1), base);
    EXPECT_EQ(image.pixelColor(int(x * ratio), row + pixels), base);

    // Under the line the area's colour, on it the highlight.
    const double players = layout.points[nearestPoint(layout, x, 10)].y();
    EXPECT_EQ(at(x, layout.area.bottom() - 3), HistoryColors::area(dark));
    ASSERT_GE(layout.yTicks.size(), 3);
    ASSERT_LT(layout.yTicks[layout.yTicks.size() - 2].pos, players);
    EXPECT_EQ(at(x, (layout.yTicks[layout.yTicks.size() - 2].pos + layout.yTicks.last().pos) / 2), base);
    int nearLine = 0;
    for (int dy = -ratio; dy <= ratio; ++dy) {
        const QColor c = image.pixelColor(int(x * ratio), int(players * ratio) + dy);
        if (std::abs(c.red() - highlight.red()) + std::abs(c.green() - highlight.green())
                + std::abs(c.blue() - highlight.blue())
            < 60)
            ++nearLine;
    }
    EXPECT_GE(nearLine, 1);

    // The week has more samples than columns: each column is a band from
    // its fewest to its most players, of whole device pixels.
    HistoryPlotView *week = weekPlot();
    const Plot weekLayout = week->layout();
    ASSERT_TRUE(weekLayout.runs.first().dense);
    const QImage weekImage = rendered(*week, ratio);
    const QPointF peak = weekLayout.points[weekLayout.peak];
    EXPECT_EQ(weekImage.pixelColor(int(peak.x() * ratio), int(std::round(peak.y() * ratio))), highlight);
    EXPECT_EQ(weekImage.pixelColor(int(peak.x() * ratio), int((peak.y() - 2) * ratio)), base);

    // The busy hours: the busiest in the highlight, an empty hour faintly,
    // an unsampled one hatched.
    HistoryBusyHoursView *busy = busyView();
    const QImage cells = rendered(*busy, ratio);
    const BusyGrid busyGrid = busy->layout();
    const auto cellAt = [&](int index) {
        const QPointF centre = busyGrid.cells[index].rect.center();
        return cells.pixelColor(int(centre.x() * ratio), int(centre.y() * ratio));
    };
    EXPECT_EQ(cellAt(4 * 24 + 20), highlight);
    EXPECT_EQ(cellAt(0), HistoryColors::ramp(dark, 0));
    const QRectF unsampled = busyGrid.cells[1].rect;
    QSet<QRgb> hatch;
    for (int dx = 0; dx < int(unsampled.width() * ratio); ++dx)
        hatch.insert(cells.pixel(int(unsampled.left() * ratio) + dx, int(unsampled.center().y() * ratio)));
    EXPECT_TRUE(hatch.contains(HistoryColors::noData(dark).rgb()));
    EXPECT_FALSE(hatch.contains(QColor(Qt::magenta).rgb()));
}

INSTANTIATE_TEST_SUITE_P(HistoryPage, HistoryRendering, ::testing::Values(1, 2));

TEST(ServerPagesHistory, HistoryFollowsTheScoreGraph)
{
    FakeLocalTime time;
    FakeMessageBoxes messages;
    DebugLog log(false, time);
    QTemporaryDir profile;
    ServerPages pages(Settings{}, log, messages, profile.path(), [](const QByteArray &) {});
    QStringList tabs, names;
    for (int k = 0; k < pages.count(); ++k) {
        tabs.append(pages.tabText(k));
        names.append(pages.widget(k)->objectName());
    }
    EXPECT_EQ(tabs,
              (QStringList{QStringLiteral("Server Info"), QStringLiteral("Players"), QStringLiteral("Score graph"),
                           QStringLiteral("History"), QStringLiteral("Buddies"), QStringLiteral("ngWorldStats")}));
    EXPECT_EQ(names.mid(0, 5),
              (QStringList{QStringLiteral("ts_ServerInfo"), QStringLiteral("ts_Players"), QStringLiteral("ts_Score"),
                           QStringLiteral("ts_History"), QStringLiteral("ts_Buddies")}));
    EXPECT_EQ(pages.widget(3), pages.historyPage());

    // The page scrolls instead of asking the window for more room.
    const QSize least = pages.minimumSizeHint();
    const QSize wanted = pages.sizeHint();
    pages.removeTab(3);
    EXPECT_EQ(pages.minimumSizeHint(), least);
    EXPECT_EQ(pages.sizeHint(), wanted);
}

} // namespace
