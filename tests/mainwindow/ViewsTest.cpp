// The views drawn offscreen: pixels where the layout puts them, and the
// clicks that the server list and the players view answer.
#include "config/ConfigFile.h"
#include "mainwindow/PlayersView.h"
#include "mainwindow/ScoreGraphView.h"
#include "mainwindow/ScoreLegend.h"
#include "mainwindow/ScorePage.h"
#include "mainwindow/ServerInfoView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/ServerPages.h"
#include "mainwindow/ServerRowDelegate.h"
#include "mainwindow/TeamScoreStrip.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/BuddiesPage.h"
#include "viewlogic/ServerRowHealth.h"
#include "viewlogic/ServerRowLayout.h"
#include "mainwindow/TrayBlinker.h"
#include "core/ReplyCodec.h"
#include "core/ServerHealth.h"
#include "support/FakeEngineStack.h"
#include "support/MainWindowParts.h"

#include <QAccessible>
#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

QColor pixel(QWidget &widget, int x, int y)
{
    return widget.grab().toImage().pixelColor(x, y);
}

class ServerListViewTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    ServerListViewTest()
    {
        view.setModel(&table);
        view.setItemDelegate(new ServerRowDelegate(&view));
        view.resize(300, 200);
        QObject::connect(&view, &ServerListView::refreshRequested, &view, [this](int row) { refreshed.append(row); });
    }

    int add(const char *cur, const char *max)
    {
        const int slot =
            table.addServer(QStringLiteral("127.0.0.%1").arg(table.count() + 1), 7778, QStringLiteral("Server"));
        table.server(slot)->NumPlayers = cur;
        table.server(slot)->MaxPlayers = max;
        table.syncListCounts(slot);
        return slot;
    }

    // Rounds a scan interval apart that the server leaves unanswered, until it is stale.
    void silence(int slot)
    {
        for (int k = 0; k <= ServerHealth::kStaleMisses; ++k) {
            platform.clock.advance(15000);
            engine.scanServer(slot);
        }
    }

    QColor boxPixel(int row, int x = 15 + 16 + 42)
    {
        return view.grab().toImage().pixelColor(x, view.visualRect(table.index(row)).top() + 1);
    }

    ServerListView view;
    QList<int> refreshed;
};

TEST_F(ServerListViewTest, AStaleRowHasAGreyBoxAndSaysSince)
{
    add("7", "16");
    const int silent = add("7", "16");
    socket.deliver("\\hostname\\Server\\numplayers\\7\\maxplayers\\16\\final\\", QStringLiteral("127.0.0.2"), 7778);
    silence(silent);
    view.show();
    EXPECT_EQ(boxPixel(0), QColor(0, 128, 0));
    const QColor grey = boxPixel(1);
    EXPECT_EQ(grey.red(), grey.green());
    EXPECT_EQ(grey.green(), grey.blue());
    EXPECT_NE(grey, view.palette().color(QPalette::Base));

    // The tooltip and what a screen reader reads of the row say the same.
    const QString since = QStringLiteral("no reply for 45 s");
    const QRect row = view.visualRect(table.index(1));
    QHelpEvent help(QEvent::ToolTip, row.center(), view.viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(view.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), since);
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->childCount(), 2);
    EXPECT_EQ(list->child(1)->text(QAccessible::Description), since);
    EXPECT_EQ(list->child(1)->text(QAccessible::Name), QStringLiteral("Server"));
    EXPECT_TRUE(list->child(0)->text(QAccessible::Description).isEmpty());

    // Its next reply brings its colour back.
    socket.deliver("\\hostname\\Server\\numplayers\\7\\maxplayers\\16\\final\\", QStringLiteral("127.0.0.2"), 7778);
    EXPECT_EQ(boxPixel(1), QColor(0, 128, 0));
    EXPECT_TRUE(list->child(1)->text(QAccessible::Description).isEmpty());
}

TEST_F(ServerListViewTest, AStaleRowReadsOnADarkPaletteToo)
{
    QPalette dark = view.palette();
    dark.setColor(QPalette::Base, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    view.setPalette(dark);
    silence(add("0", "0"));
    view.show();
    const QColor grey = boxPixel(0);
    EXPECT_EQ(grey.red(), grey.blue());
    EXPECT_GE(grey.lightness() - 0x2b, ServerRowHealth::kStaleContrast - 1);
}

TEST_F(ServerListViewTest, APartialRowHasAMarkInItsLoadBoxCorner)
{
    const int slot = add("1", "8");
    const auto reply = [&](const QByteArray &datagram) { socket.deliver(datagram, QStringLiteral("127.0.0.1"), 7778); };
    engine.scanServer(slot);
    reply("\\hostname\\Server\\numplayers\\1\\maxplayers\\8\\queryid\\3.1\\final\\");
    platform.clock.advance(15000);
    engine.scanServer(slot);
    ASSERT_TRUE(table.index(0).data(ServerTable::PartialRole).toBool());
    EXPECT_EQ(table.index(0).data(Qt::ToolTipRole).toString(), QStringLiteral("partial reply: no player list"));
    view.show();
    const QRect row = view.visualRect(table.index(0));
    const QImage partial = view.viewport()->grab().toImage().copy(row);

    reply("\\hostname\\Server\\numplayers\\1\\maxplayers\\8\\queryid\\9.1\\final\\");
    reply("\\player_0\\Ann\\queryid\\10.1\\final\\");
    ASSERT_FALSE(table.index(0).data(ServerTable::PartialRole).toBool());
    const QImage whole = view.viewport()->grab().toImage().copy(row);

    // The mark is all that differs: the box's corner, in the counts' white.
    const int right = 15 + 16 + ServerRowLayout::kLoadBoxWidth - 1;
    const QRect corner(right - ServerRowHealth::kPartialMarkSize + 1, 0, ServerRowHealth::kPartialMarkSize,
                       ServerRowHealth::kPartialMarkSize);
    int marked = 0;
    for (int y = 0; y < row.height(); ++y) {
        for (int x = 0; x < row.width(); ++x) {
            if (partial.pixel(x, y) == whole.pixel(x, y))
                continue;
            ++marked;
            EXPECT_TRUE(corner.contains(x, y)) << x << "," << y;
            EXPECT_EQ(partial.pixelColor(x, y), QColor(Qt::white));
        }
    }
    EXPECT_GE(marked, ServerRowHealth::kPartialMarkSize * 2);
    EXPECT_EQ(whole.pixelColor(right, 0), QColor(0, 128, 0));
}

TEST_F(ServerListViewTest, LoadBoxTakesTheLoadColour)
{
    add("8", "16");
    add("16", "16");
    add("7", "16");
    add("0", "0");
    view.show();
    const QImage image = view.grab().toImage();
    // The load box starts after the check box and the refresh square.
    const int x = 15 + 16 + 42;
    const int y = view.visualRect(table.index(0)).top() + 1;
    const auto at = [&](int row) { return image.pixelColor(x, view.visualRect(table.index(row)).top() + 1); };
    EXPECT_EQ(at(0), QColor(128, 128, 0));
    EXPECT_EQ(at(1), QColor(128, 0, 0));
    EXPECT_EQ(at(2), QColor(0, 128, 0));
    EXPECT_EQ(at(3), view.palette().color(QPalette::Base));
    EXPECT_EQ(view.visualRect(table.index(1)).top() - y + 1, 16);
}

TEST_F(ServerListViewTest, CountsOnTheLoadBoxReadOnItsColour)
{
    add("16", "16"); // dark red: light text
    add("8", "16");  // olive: dark text
    view.show();
    const QImage image = view.grab().toImage();
    const auto lightness = [](const QColor &c) { return c.red() + c.green() + c.blue(); };
    for (const int row : {0, 1}) {
        const QRect line = view.visualRect(table.index(row));
        const QColor box = image.pixelColor(15 + 16 + 42, line.top() + 1);
        int lighter = 0;
        int darker = 0;
        // The refresh square's edge reaches two pixels into the box.
        for (int x = 15 + 16 + 2; x < 15 + 16 + ServerRowLayout::kLoadBoxWidth; ++x) {
            for (int y = line.top(); y <= line.bottom(); ++y) {
                const int difference = lightness(image.pixelColor(x, y)) - lightness(box);
                lighter += difference > 60;
                darker += difference < -60;
            }
        }
        // The digits are most of what differs from the box; a font's
        // smoothing may leave a stray pixel of the other kind.
        if (row == 0) {
            EXPECT_GT(lighter, 20);
            EXPECT_LT(darker * 10, lighter);
        } else {
            EXPECT_GT(darker, 20);
            EXPECT_LT(lighter * 10, darker);
        }
    }
}

TEST_F(ServerListViewTest, ClicksOnTheCheckBoxAndTheRefreshSquare)
{
    add("1", "8");
    add("1", "8");
    view.show();
    const int y = view.visualRect(table.index(1)).center().y();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(5, y));
    EXPECT_TRUE(table.isChecked(1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(16, y));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(32, y));
    EXPECT_TRUE(refreshed.isEmpty());
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(17, y));
    EXPECT_EQ(refreshed, QList<int>{1});
    EXPECT_EQ(view.currentIndex().row(), 1);
    QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(20, y));
    EXPECT_EQ(refreshed.size(), 1);

    QTest::mouseMove(view.viewport(), QPoint(20, y));
    EXPECT_EQ(view.statusTip(), QStringLiteral("Click this to refresh the infor about the server"));
}

TEST(PlayersViewTest, SortsByTheClickedColumnAndKeepsTheSelectedName)
{
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    const char *names[] = {"Alpha", "Bravo", "Charlie"};
    const char *frags[] = {"5", "12", "-2"};
    for (int k = 0; k < 3; ++k) {
        server.Players[static_cast<size_t>(k)].Name = names[k];
        server.Players[static_cast<size_t>(k)].Frags = frags[k];
        server.Players[static_cast<size_t>(k)].Team = "255";
    }
    server.PlayerSlotCount = "3";
    PlayersView view;
    view.fill(server);
    view.header()->sectionClicked(PlayerRows::ScoreColumn);
    EXPECT_EQ(view.topLevelItem(0)->text(0), QStringLiteral("Bravo"));
    EXPECT_EQ(view.topLevelItem(0)->text(PlayerRows::TeamColumn), QStringLiteral("None"));

    view.setCurrentItem(view.topLevelItem(2));
    server.PlayerSlotCount = "2";
    view.fill(server);
    EXPECT_EQ(view.topLevelItemCount(), 2);
    // Still sorted by score after the refill.
    EXPECT_EQ(view.topLevelItem(0)->text(0), QStringLiteral("Bravo"));
    EXPECT_EQ(view.selectedPlayerName(), QStringLiteral("Charlie"));

    // From the keyboard, the context menu's "Sort by" does what a header click does.
    auto *sortBy = view.findChild<QMenu *>(QStringLiteral("pm_SortPlayers"));
    ASSERT_NE(sortBy, nullptr);
    sortBy->actions().at(PlayerRows::NameColumn)->trigger();
    EXPECT_EQ(view.topLevelItem(0)->text(0), QStringLiteral("Alpha"));
}

QList<PlayerRows::Row> scoreRows(std::initializer_list<int> scores)
{
    QList<PlayerRows::Row> rows;
    int k = 0;
    for (int score : scores)
        rows.append(PlayerRows::Row{
            QStringLiteral("P%1").arg(k++), QString::number(score), {}, {}, QStringLiteral("true"), {}, {}, {}});
    return rows;
}

TEST(ScoreGraphViewTest, BarsAndLegendFollowTheScores)
{
    ScorePage page;
    page.resize(600, 480);
    page.show();
    ScoreGraphView *graph = page.graph();
    graph->setFixedSize(375, 405);
    graph->setRows(scoreRows({0, 10, 5}));
    EXPECT_EQ(page.legend()->count(), 3);
    EXPECT_EQ(page.legend()->item(0)->text(), QStringLiteral("P1"));

    // The leader's bar spans x 5 to 122 and y 10 to 400, in the first palette colour.
    EXPECT_EQ(pixel(*graph, 60, 50), QColor(248, 62, 0));
    EXPECT_EQ(pixel(*graph, 6, 11), QColor(248, 62, 0));
    EXPECT_EQ(pixel(*graph, 60, 8), graph->palette().color(QPalette::Base));
    // The second bar is half as high: 5 x 39 pixels above the baseline.
    EXPECT_EQ(pixel(*graph, 180, 400 - 195 + 2), QColor(248, 124, 0));
    EXPECT_EQ(pixel(*graph, 180, 400 - 195 - 2), graph->palette().color(QPalette::Base));

    graph->setRows({});
    EXPECT_EQ(page.legend()->count(), 0);
}

TEST(ScoreGraphViewTest, LegendFontButtons)
{
    ScoreLegend legend;
    legend.resetFontSize(1);
    EXPECT_EQ(legend.fontSize(), 1);
    EXPECT_EQ(legend.rowHeight(), 2);
    legend.decreaseFontSize();
    EXPECT_EQ(legend.fontSize(), 1);
    legend.increaseFontSize();
    EXPECT_EQ(legend.fontSize(), 2);
    EXPECT_EQ(legend.rowHeight(), 3);
}

TEST(TeamScoreStripTest, OneBoxPerTeamWithPlayers)
{
    TeamScoreStrip strip(QStringLiteral("pbx_TeamScore"));
    strip.resize(400, 40);
    strip.setTeams({{QStringLiteral("10.000000"), QStringLiteral("3")},
                    {QStringLiteral("8"), QStringLiteral("4")},
                    {QStringLiteral("0"), QStringLiteral("0")},
                    {QStringLiteral("0"), QStringLiteral("0")}});
    strip.show();
    EXPECT_EQ(pixel(strip, 12, 7), QColor(255, 0, 0));
    EXPECT_EQ(pixel(strip, 207, 7), QColor(0, 0, 255));
    EXPECT_NE(pixel(strip, 200, 20), QColor(0, 0, 255));

    // Everyone on Blue: one blue box across the strip.
    strip.setTeams({{QStringLiteral("0"), QStringLiteral("0")}, {QStringLiteral("4"), QStringLiteral("6")}});
    EXPECT_EQ(pixel(strip, 12, 7), QColor(0, 0, 255));
    EXPECT_EQ(pixel(strip, 380, 7), QColor(0, 0, 255));
}

TEST(TrayBlinkerTest, OnlyADoubleClickRestores)
{
    TrayBlinker tray;
    int restores = 0;
    QObject::connect(&tray, &TrayBlinker::restoreRequested, &tray, [&] { ++restores; });
    tray.activate(QSystemTrayIcon::Trigger);
    tray.activate(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(restores, 0);
    tray.activate(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(restores, 1);
}

TEST(TrayBlinkerTest, BlinksWithOrWithoutATray)
{
    TrayBlinker tray;
    tray.startBlink(4);
    EXPECT_TRUE(tray.isBlinking());
    QList<int> shown;
    for (int tick = 0; tick < 11; ++tick) {
        tray.advanceBlink();
        shown.append(tray.currentIcon());
    }
    EXPECT_EQ(shown, (QList<int>{4, 0, 4, 0, 4, 0, 4, 0, 4, 0, 0}));
    EXPECT_FALSE(tray.isBlinking());
}

class WindowViewsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    WindowViewsTest()
    {
        window = std::make_unique<MainWindow>(
            MainWindow::Context{stack, platform.messages, platform.files, config, Settings{}, profile.path()});
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    std::unique_ptr<MainWindow> window;
};

TEST_F(WindowViewsTest, TeamStripsShowForTeamGamesOnlyAndScaleWithTheWindow)
{
    const int ctf = table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("CTF"));
    ReplyCodec::parseServerReply(*table.server(ctf),
                                 "\\numplayers\\2\\player_0\\A\\frags_0\\3\\team_0\\0\\player_1\\B\\team_1\\1\\");
    ReplyCodec::parseServerReply(*table.server(ctf),
                                 "\\team_0\\Red\\score_0\\4.000000\\size_0\\1\\team_1\\Blue\\score_1\\2\\size_1\\1\\");
    const int dm = table.addServer(QStringLiteral("127.0.0.2"), 7778, QStringLiteral("DM"));
    ReplyCodec::parseServerReply(*table.server(dm), "\\numplayers\\1\\player_0\\C\\");

    window->resize(900, 531);
    window->show();
    pages(*window)->setCurrentWidget(scorePage(*window));
    serverList(*window)->setCurrentIndex(table.index(0));
    EXPECT_FALSE(playersTeamStrip(*window)->isHidden());
    EXPECT_FALSE(scorePage(*window)->teamStrip()->isHidden());
    EXPECT_EQ(scorePage(*window)->legend()->count(), 2);
    EXPECT_EQ(serverInfoView(*window)->value(6), QStringLiteral("2"));

    window->resize(900, 531);
    QCoreApplication::processEvents();
    EXPECT_EQ(playersTeamStrip(*window)->height(), ScoreGraphLayout::playersStripHeight(window->height()));
    EXPECT_EQ(scorePage(*window)->teamStrip()->height(), ScoreGraphLayout::scoreStripHeight(window->height()));

    serverList(*window)->setCurrentIndex(table.index(1));
    EXPECT_TRUE(playersTeamStrip(*window)->isHidden());
    EXPECT_EQ(scorePage(*window)->legend()->count(), 1);
    window->close();
}

TEST_F(WindowViewsTest, APlayerWithBlanksAroundTheNameAddedAsBuddyIsFound)
{
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Frag Zone"));
    const QByteArray reply = "\\hostname\\Frag Zone\\numplayers\\2\\maxplayers\\16\\player_0\\  Neo \\player_1\\Trin"
                             "\\final\\";
    socket.deliver(reply, QStringLiteral("127.0.0.1"), 7778);
    window->show();
    serverList(*window)->setCurrentIndex(table.index(0));
    pages(*window)->setCurrentIndex(1); // "Players"
    PlayersView *players = playersView(*window);
    ASSERT_EQ(players->topLevelItemCount(), 2);
    QTreeWidgetItem *neo = players->findItems(QStringLiteral("Neo"), Qt::MatchExactly).value(0);
    ASSERT_NE(neo, nullptr);
    QTest::mouseClick(players->viewport(), Qt::LeftButton, {}, players->visualItemRect(neo).center());
    ASSERT_EQ(players->currentItem(), neo);
    window->findChild<QAction *>(QStringLiteral("mi_AddToBuddies"))->trigger();
    ASSERT_EQ(pages(*window)->buddiesPage()->names(), QStringList{players->selectedPlayerName()});

    // The next look at the server finds the buddy on it.
    socket.deliver(reply, QStringLiteral("127.0.0.1"), 7778);
    serverList(*window)->clearSelection();
    serverList(*window)->setCurrentIndex(table.index(0));
    EXPECT_EQ(pages(*window)->buddiesPage()->marks(), QList<bool>{true});
    window->close();
}

TEST_F(WindowViewsTest, RefreshSquareQueriesThatServerAtOnce)
{
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("A"));
    table.addServer(QStringLiteral("127.0.0.2"), 7778, QStringLiteral("B"));
    Q_EMIT serverList(*window)->refreshRequested(1);
    ASSERT_EQ(socket.sent.size(), 4);
    EXPECT_EQ(socket.sent[0].address, QStringLiteral("127.0.0.2"));
}

} // namespace
