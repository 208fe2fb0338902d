#include "config/ConfigFile.h"
#include "config/StoredServers.h"
#include "mainwindow/ApplicationIdentity.h"
#include "core/PacedWalk.h"
#include "core/Poller.h"
#include "mainwindow/DebugPage.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerInfoView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/SplashWindow.h"
#include "mainwindow/StartUpSequence.h"
#include "mainwindow/TrayBlinker.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/FakeEngineStack.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QMenu>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QPointer>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    explicit MainWindowTest(bool debugMode = true)
        : FakeEngineStack(debugMode)
    {
        QFile list(profile.filePath(QStringLiteral("property_queries.lst")));
        list.open(QIODevice::WriteOnly);
        list.write("\\echo\\hello\n\n\\level_property\\\n");
        list.close();
        window = std::make_unique<MainWindow>(
            MainWindow::Context{stack, platform.messages, platform.files, config, Settings{}, profile.path()});
    }

    int addServer(const QString &name)
    {
        return table.addServer(QStringLiteral("127.0.0.%1").arg(table.count() + 1), 7778, name);
    }

    void select(int position) { serverList(*window)->setCurrentIndex(table.index(position)); }

    // The polling sliders and switches, set as the user sets them.
    void setPolling(int serverListDelay, int serverInfoDelay, int playerInfoDelay, bool serverInfoUpdate,
                    bool playerInfoUpdate)
    {
        child<QSlider>("tb_ServerListDelay")->setValue(serverListDelay);
        child<QSlider>("tb_ServerInfoDelay")->setValue(serverInfoDelay);
        child<QSlider>("tb_PlayerInfoDelay")->setValue(playerInfoDelay);
        child<QCheckBox>("cb_ServerInfoUpdate")->setChecked(serverInfoUpdate);
        child<QCheckBox>("cb_PlayerInfoUpdate")->setChecked(playerInfoUpdate);
    }

    template<typename T>
    T *child(const char *name) const
    {
        T *widget = window->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, DeleteAsksAndRemovesOnlyOnYes)
{
    addServer(QStringLiteral("Alpha"));
    addServer(QStringLiteral("Beta"));
    select(1);

    platform.messages.nextAnswer = false;
    trigger(*window, "mi_Deleteserver");
    EXPECT_EQ(platform.messages.questions,
              QStringList{QStringLiteral("Are you sure you want to delete Beta ?\nThis can not be undone.")});
    EXPECT_EQ(table.count(), 2);

    platform.messages.nextAnswer = true;
    trigger(*window, "mi_Deleteserver");
    EXPECT_EQ(table.count(), 1);
    EXPECT_TRUE(table.isFree(1));
    EXPECT_TRUE(
        debugMemo(*window)->toPlainText().contains(QStringLiteral("Deleting server @ 1 with address 127.0.0.2:7778")));
}

TEST_F(MainWindowTest, DeleteKeyActsOnlyFromTheServerList)
{
    addServer(QStringLiteral("Alpha"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    select(0);

    auto *slider = child<QSlider>("tb_ServerListDelay");
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Delete);
    EXPECT_TRUE(platform.messages.questions.isEmpty());

    serverList(*window)->setFocus();
    QTest::keyClick(serverList(*window), Qt::Key_Delete);
    EXPECT_EQ(platform.messages.questions.size(), 1);
    window->close();
}

TEST_F(MainWindowTest, SlidersDriveLabelsAndTimers)
{
    child<QSlider>("tb_PlayerInfoDelay")->setValue(24);
    EXPECT_EQ(child<QLabel>("lbl_PlayerInfoUpdate")->text(),
              QStringLiteral("     Update player info every 1:5 minutes"));
    EXPECT_EQ(poller(*window).playerInfoTimer().interval(), 65000);

    setPolling(10, 5, 1, true, false);
    EXPECT_EQ(child<QLabel>("lbl_ServerListUpdate")->text(), QStringLiteral("update every 10 seconds"));
    EXPECT_EQ(poller(*window).playerScanTimer().interval(), 10000);
    EXPECT_EQ(child<QLabel>("lbl_ServerInfoUpdate")->text(), QStringLiteral("     Update server info every 5 minutes"));
    EXPECT_TRUE(poller(*window).serverInfoTimer().isActive());
    EXPECT_EQ(poller(*window).playerInfoTimer().interval(), 10000);

    child<QCheckBox>("cb_ServerInfoUpdate")->click();
    EXPECT_FALSE(poller(*window).serverInfoTimer().isActive());
    child<QCheckBox>("cb_PlayerInfoUpdate")->click();
    EXPECT_TRUE(poller(*window).playerInfoTimer().isActive());
}

TEST_F(MainWindowTest, SelectionSetsTheCaptionAndTrayHint)
{
    const int slot = addServer(QStringLiteral("Alpha"));
    table.server(slot)->NumPlayers = "3";
    table.server(slot)->MaxPlayers = "10";
    table.server(slot)->Ping = 25;
    table.syncListCounts(slot);
    select(0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvelin - [Alpha] - [3|10] - [ping: 25ms]"));
    EXPECT_EQ(window->tray()->hint(), QStringLiteral("[Alpha] - [3I10] - [ping: 25ms]"));
    EXPECT_EQ(serverInfoView(*window)->value(2), QStringLiteral("25ms"));
}

TEST_F(MainWindowTest, DebugPageSendsToTheSelectedServerAndSavesItsLog)
{
    DebugPage *page = debugPage(*window);
    EXPECT_EQ(page->queryList()->count(), 2);

    page->sendEdit()->setText(QStringLiteral("\\basic\\"));
    page->sendEditQuery();
    EXPECT_TRUE(socket.sent.isEmpty());

    addServer(QStringLiteral("Alpha"));
    select(0);
    page->sendEditQuery();
    page->queryList()->setCurrentRow(0);
    page->sendListQuery();
    ASSERT_EQ(socket.sent.size(), 2);
    EXPECT_EQ(socket.sent[0].datagram, "\\basic\\");
    EXPECT_EQ(socket.sent[1].datagram, "\\echo\\hello");

    page->saveDebugInfo();
    QFile saved(profile.filePath(QStringLiteral("debuginfo.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("send \\basic\\ to 127.0.0.1:7778"));

    page->clearLog();
    EXPECT_TRUE(debugMemo(*window)->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, TheDebugPageKeepsItsTextWithinBounds)
{
    DebugPage *page = debugPage(*window);
    const QString line(3000, QLatin1Char('z'));
    for (int k = 0; k < 2000; ++k)
        page->appendLine(line);
    // The newest lines stay, the oldest went.
    EXPECT_LE(debugMemo(*window)->document()->characterCount(), 4'010'000);
    EXPECT_GT(debugMemo(*window)->document()->characterCount(), 3'000'000);
    // Nor does an undo history keep what went.
    EXPECT_FALSE(debugMemo(*window)->document()->isUndoAvailable());
    page->clearLog();
    page->appendLine(QStringLiteral("after"));
    EXPECT_EQ(debugMemo(*window)->toPlainText(), QStringLiteral("after"));
}

// The text of the log's line at the top of its view.
QString topLine(QPlainTextEdit *memo)
{
    return memo->cursorForPosition(QPoint(2, 2)).block().text().left(11);
}

bool showsLastLine(QPlainTextEdit *memo)
{
    const QTextBlock last = memo->document()->lastBlock();
    return memo->cursorForPosition(QPoint(2, memo->viewport()->height() - 2)).block() == last;
}

TEST_F(MainWindowTest, TheDebugPageFollowsNewLinesOnlyWhileScrolledToItsEnd)
{
    DebugPage *page = debugPage(*window);
    QPlainTextEdit *memo = debugMemo(*window);
    QScrollBar *bar = memo->verticalScrollBar();
    // Every other line of 40,000 characters: the log keeps the newest 200 or so.
    const auto append = [&](int from, int to) {
        for (int k = from; k < to; ++k) {
            const QString line = QStringLiteral("line %1 ").arg(k, 5, 10, QLatin1Char('0'));
            page->appendLine(k % 2 ? line.leftJustified(40000, QLatin1Char('.')) : line);
        }
    };
    // Lines that came before the page first shows: it opens at their end, at the lines' start.
    append(0, 100);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    pages(*window)->setCurrentWidget(page);
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_TRUE(showsLastLine(memo));
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);

    // Scrolled back, the view keeps its lines, also while the oldest go.
    bar->setValue(80);
    EXPECT_EQ(topLine(memo), QStringLiteral("line 00080 "));
    append(100, 230);
    EXPECT_LT(memo->document()->blockCount(), 220);
    EXPECT_EQ(topLine(memo), QStringLiteral("line 00080 "));
    // And while another page shows.
    pages(*window)->setCurrentIndex(0);
    append(230, 250);
    pages(*window)->setCurrentWidget(page);
    EXPECT_EQ(topLine(memo), QStringLiteral("line 00080 "));

    // At the end again, it follows, also while the oldest go.
    bar->setValue(bar->maximum());
    append(250, 280);
    EXPECT_TRUE(showsLastLine(memo));
    EXPECT_EQ(memo->document()->lastBlock().text().left(11), QStringLiteral("line 00279 "));
    // And while another page shows.
    pages(*window)->setCurrentIndex(0);
    append(280, 310);
    pages(*window)->setCurrentWidget(page);
    EXPECT_TRUE(showsLastLine(memo));
    EXPECT_EQ(memo->horizontalScrollBar()->value(), 0);
    window->close();
}

TEST_F(MainWindowTest, StartServersWithoutANameTakeTheNameTheyReportFirst)
{
    engine.setSleepTime(0);
    // 127.0.0.1, named by the user, and 127.0.0.2, left without a name by an earlier start.
    addServer(QStringLiteral("Mine"));
    table.addServer(QStringLiteral("127.0.0.2"), 7778, QString());
    QList<ServerAddress> start;
    for (int k = 1; k <= 4; ++k)
        start.append({QStringLiteral("127.0.0.%1").arg(k), 7778});
    window->setStartServers(start);
    window->show();
    ASSERT_TRUE(waitUntil([&] { return table.count() == 4; }));
    const auto nameOf = [&](int k) {
        return table.entry(table.slotOfServer(QStringLiteral("127.0.0.%1").arg(k), 7778))->Name;
    };
    const auto reply = [&](int k, const QByteArray &datagram) {
        socket.deliver(datagram, QStringLiteral("127.0.0.%1").arg(k), 7778);
    };
    EXPECT_EQ(nameOf(3), QStringLiteral("127.0.0.3:7778"));
    // The user names the fourth before it answers.
    const int fourth = table.slotOfServer(QStringLiteral("127.0.0.4"), 7778);
    table.setServerAddress(fourth, QStringLiteral("127.0.0.4"), 7778, QStringLiteral("Chosen"));

    // A reply without a name leaves the address.
    reply(3, "\\numplayers\\2\\maxplayers\\8\\final\\");
    EXPECT_EQ(nameOf(3), QStringLiteral("127.0.0.3:7778"));
    for (int k = 1; k <= 4; ++k)
        reply(k, "\\hostname\\ Frag\tZone #" + QByteArray::number(k) + " \\final\\");
    EXPECT_EQ(nameOf(1), QStringLiteral("Mine"));
    EXPECT_EQ(nameOf(2), QStringLiteral("Frag Zone #2"));
    EXPECT_EQ(nameOf(3), QStringLiteral("Frag Zone #3"));
    EXPECT_EQ(nameOf(4), QStringLiteral("Chosen"));
    // The first name stays; a later one is for "Update server name".
    reply(3, "\\hostname\\Renamed\\final\\");
    EXPECT_EQ(nameOf(3), QStringLiteral("Frag Zone #3"));

    QStringList stored;
    for (const StoredServers::Entry &entry : StoredServers::loadServerList(config.read()))
        stored.append(entry.name);
    stored.sort();
    EXPECT_EQ(stored, (QStringList{QStringLiteral("Chosen"), QStringLiteral("Frag Zone #2"),
                                   QStringLiteral("Frag Zone #3"), QStringLiteral("Mine")}));
    window->close();
}

TEST_F(MainWindowTest, ClosingSilencesTheLogAndStopsTheTimers)
{
    setPolling(10, 1, 10, true, true);
    poller(*window).startPolling();
    window->close();
    EXPECT_FALSE(log.isActive());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvelin closing..."));
    EXPECT_FALSE(poller(*window).playerScanTimer().isActive());
    EXPECT_FALSE(poller(*window).serverInfoTimer().isActive());
    EXPECT_FALSE(poller(*window).playerInfoTimer().isActive());
}

TEST_F(MainWindowTest, FirstShowingAddsChecksAndQueriesTheStartServers)
{
    window->setStartServers({{QStringLiteral("127.0.0.1"), 7778}, {QStringLiteral("127.0.0.2"), 7790}});
    QPointer<SplashWindow> splash = new SplashWindow;
    splash->show();
    window->setSplash(splash);
    QStringList progress;
    QObject::connect(window->findChild<StartUpSequence *>(), &StartUpSequence::progress, splash,
                     [&] { progress.append(splash->progressText()); });
    window->show();
    waitUntil([&] { return poller(*window).playerScanTimer().isActive(); });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_EQ(table.count(), 2);
    EXPECT_TRUE(table.isChecked(0));
    EXPECT_TRUE(table.isChecked(1));
    EXPECT_EQ(socket.sent.size(), 8);
    EXPECT_EQ(socket.sent.last().port, 7790);
    EXPECT_TRUE(progress.contains(QStringLiteral("[Quering servers : 50%]")));
    EXPECT_TRUE(progress.contains(QStringLiteral("[Quering servers : 100%]")));
    EXPECT_TRUE(splash.isNull());
    window->close();
}

TEST_F(MainWindowTest, ClosingDuringTheStartUpWalkEndsIt)
{
    engine.setSleepTime(3600 * 1000);
    window->setStartServers({{QStringLiteral("127.0.0.1"), 7778}, {QStringLiteral("127.0.0.2"), 7778}});
    window->show();
    ASSERT_TRUE(waitUntil([&] { return socket.sent.size() == 4; }));
    window->close();
    runEventLoopFor(30);
    EXPECT_EQ(socket.sent.size(), 4);
    EXPECT_FALSE(poller(*window).playerScanTimer().isActive());
    for (const PacedWalk *walk : window->findChildren<PacedWalk *>())
        EXPECT_FALSE(walk->isRunning());
}

TEST_F(MainWindowTest, ClosingDuringAScanStopsItAndDropsLateReplies)
{
    engine.setSleepTime(5);
    for (int k = 0; k < 3; ++k) {
        addServer(QStringLiteral("S%1").arg(k));
        table.setChecked(k, true);
    }
    poller(*window).scanCheckedServers();
    window->close();
    socket.deliver("\\hostname\\late\\", QStringLiteral("127.0.0.1"), 7778);
    runEventLoopFor(40);
    EXPECT_EQ(socket.sent.size(), 3);
    EXPECT_EQ(table.server(table.slotAt(0))->HostName, "");
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QStringLiteral("late")));
}

TEST_F(MainWindowTest, ScanResultBlinksTheTrayRefreshesTheSelectionAndResorts)
{
    engine.setSleepTime(0);
    const int a = addServer(QStringLiteral("Beta"));
    const int b = addServer(QStringLiteral("Alpha"));
    table.setChecked(0, true);
    table.server(a)->NumPlayers = "4";
    table.server(a)->MaxPlayers = "8";
    table.sortServerList(ServerTable::NameDescending);
    select(table.positionOfSlot(b));
    table.setServerAddress(b, table.server(b)->Host, 7778, QStringLiteral("Zulu"));
    poller(*window).scanCheckedServers();
    // Players joined: the blink shows the join signal.
    ASSERT_TRUE(waitUntil([&] { return window->tray()->currentIcon() == 2; }));
    EXPECT_EQ(table.entry(table.slotAt(0))->Name, QStringLiteral("Zulu"));
    EXPECT_TRUE(window->windowTitle().contains(QStringLiteral("Zulu")));
}

TEST_F(MainWindowTest, UpdateAllRefillsTheSelectionAndResorts)
{
    engine.setSleepTime(0);
    for (int k = 0; k < 3; ++k)
        table.addServer(QStringLiteral("127.0.0.%1").arg(3 - k), 7778, QStringLiteral("s%1").arg(3 - k));
    table.setSortMode(ServerTable::NameAscending);
    table.sortServerList(ServerTable::NameDescending);
    select(0);
    trigger(*window, "mi_UpdateAllServers");
    table.setServerAddress(table.slotAt(0), QStringLiteral("127.0.0.3"), 7778, QStringLiteral("a"));
    ASSERT_TRUE(waitUntil([&] { return table.entry(table.slotAt(2))->Name == QStringLiteral("a"); }));
    EXPECT_EQ(socket.sent.size(), 12);
}

TEST_F(MainWindowTest, AFailedNameIsToldOnceAndAskedWhenItResolves)
{
    engine.setSleepTime(0);
    const int slot = table.addServer(QStringLiteral("ut.example.org"), 7778, QStringLiteral("Named"));
    ASSERT_TRUE(waitUntil([&] { return !platform.messages.errors.isEmpty(); }));
    // Every walk looks the name up again; the box came once.
    for (int walk = 0; walk < 3; ++walk) {
        poller(*window).updateAllServers();
        runEventLoopFor(20);
    }
    EXPECT_EQ(platform.messages.errors, QStringList{QStringLiteral("'ut' is not a valid integer value")});
    EXPECT_TRUE(socket.sent.isEmpty());

    platform.resolver.names.insert(QStringLiteral("ut.example.org"), QStringLiteral("192.0.2.7"));
    poller(*window).updateAllServers();
    ASSERT_TRUE(waitUntil([&] { return socket.sent.size() == 4; }));
    EXPECT_EQ(socket.sent[0].address, QStringLiteral("192.0.2.7"));
    EXPECT_EQ(table.server(slot)->Host, QStringLiteral("192.0.2.7"));
}

TEST_F(MainWindowTest, OneSendErrorBoxAtATime)
{
    const int slot = table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Named"));
    table.setServerAddress(slot, QStringLiteral("nowhere.invalid"), 7778, QStringLiteral("Named"));
    select(table.positionOfSlot(slot));
    // While the first box is open, a timer asks the same server again.
    platform.messages.whileOpen = [&] { trigger(*window, "mi_UpdateServerInfo"); };
    Q_EMIT serverList(*window)->refreshRequested(0);
    EXPECT_EQ(platform.messages.errors, QStringList{QStringLiteral("'nowhere' is not a valid integer value")});
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] error: 'nowhere' is not a valid integer value")));
    trigger(*window, "mi_UpdateServerInfo");
    EXPECT_EQ(platform.messages.errors.size(), 2);
}

TEST_F(MainWindowTest, DeleteLooksAgainAfterTheQuestion)
{
    addServer(QStringLiteral("Alpha"));
    addServer(QStringLiteral("Beta"));
    select(0);
    platform.messages.nextAnswer = true;
    // While the question is open the server goes by another way.
    platform.messages.whileOpen = [&] { table.removeAt(0); };
    trigger(*window, "mi_Deleteserver");
    ASSERT_EQ(table.count(), 1);
    EXPECT_EQ(table.entry(table.slotAt(0))->Name, QStringLiteral("Beta"));
}

TEST_F(MainWindowTest, TheCaptionIsExactlyTheFormattedText)
{
    // Qt appends a display name, once one is set, to every caption that
    // does not end in it; the program sets none.
    applyApplicationIdentity();
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Another"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Another"));
    QCoreApplication::setApplicationName(name);
}

TEST_F(MainWindowTest, ClickingTheSelectedRowRefreshesItsViews)
{
    const int slot = addServer(QStringLiteral("Alpha"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    select(0);
    table.server(slot)->HostName = "Renamed";
    const QPoint name(100, serverList(*window)->visualRect(table.index(0)).center().y());
    QTest::mouseClick(serverList(*window)->viewport(), Qt::LeftButton, {}, name);
    EXPECT_EQ(serverInfoView(*window)->value(0), QStringLiteral("Renamed"));
    window->close();
}

TEST_F(MainWindowTest, TheListsContextMenuSortsToo)
{
    QMenu *sortMenu = nullptr;
    for (QAction *action : serverList(*window)->actions()) {
        if (action->menu())
            sortMenu = action->menu();
    }
    ASSERT_NE(sortMenu, nullptr);
    ASSERT_EQ(sortMenu->actions().size(), ServerTable::SortModeCount);
    addServer(QStringLiteral("Alpha"));
    addServer(QStringLiteral("Beta"));
    sortMenu->actions().at(ServerTable::NameDescending)->trigger();
    EXPECT_EQ(table.entry(table.slotAt(0))->Name, QStringLiteral("Beta"));
}

TEST_F(MainWindowTest, EveryControlHasANameToAnnounceAndTakesTheKeyboard)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    int controls = 0;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const bool interactive = qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSlider *>(w)
                                 || qobject_cast<QAbstractItemView *>(w) || qobject_cast<QLineEdit *>(w)
                                 || qobject_cast<QPlainTextEdit *>(w);
        const bool shows =
            interactive || qobject_cast<QProgressBar *>(w) || w->objectName().startsWith(QLatin1String("pbx_"));
        // Scroll bars and the tab bar's arrows are Qt's own, named by Qt.
        if (!shows || qobject_cast<QScrollBar *>(w) || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        ++controls;
        QAccessibleInterface *a11y = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a11y, nullptr);
        const QString name = a11y->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << w->metaObject()->className() << " " << w->objectName().toStdString();
        EXPECT_EQ(name, name.trimmed()) << w->objectName().toStdString();
        // The players' headers sort by mouse; the view's context menu sorts from the keyboard.
        if (interactive && !qobject_cast<QHeaderView *>(w)) {
            EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->objectName().toStdString();
        }
    }
    EXPECT_GT(controls, 15);
    window->close();
}

class MainWindowWithoutDebugTest : public MainWindowTest
{
protected:
    MainWindowWithoutDebugTest()
        : MainWindowTest(false)
    {
    }
};

TEST_F(MainWindowWithoutDebugTest, HasNoDebugPage)
{
    EXPECT_FALSE(debugPage(*window)->isVisibleTo(window.get()));
    addServer(QStringLiteral("Alpha"));
    EXPECT_TRUE(debugMemo(*window)->toPlainText().isEmpty());
}

} // namespace
