// What a reply repaints and refills: the rows and cells it changed, and
// nothing when it changed nothing the user sees.
#include "config/ConfigFile.h"
#include "core/Poller.h"
#include "core/ServerHealth.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/PlayersView.h"
#include "mainwindow/ScoreGraphView.h"
#include "mainwindow/ScoreLegend.h"
#include "mainwindow/ScorePage.h"
#include "mainwindow/ServerInfoView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/ServerRowDelegate.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/FakeEngineStack.h"

#include <QPaintEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The regions a widget was asked to paint.
class PaintLog final : public QObject
{
public:
    explicit PaintLog(QWidget *widget) { widget->installEventFilter(this); }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }

    QRegion painted;
};

class ServerListRepaintTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    ServerListRepaintTest()
    {
        view.setModel(&table);
        view.setItemDelegate(new ServerRowDelegate(&view));
        view.resize(300, 200);
    }

    int add(const QString &name, const char *cur, const char *max)
    {
        const int slot = table.addServer(QStringLiteral("127.0.0.%1").arg(table.count() + 1), 7778, name);
        table.server(slot)->NumPlayers = cur;
        table.server(slot)->MaxPlayers = max;
        table.syncListCounts(slot);
        return slot;
    }

    // Shows the list and waits until it has been painted once.
    void showAndSettle()
    {
        view.show();
        ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
        paints.painted = QRegion();
    }

    QRegion rowRegion(int position) const
    {
        return QRegion(view.visualRect(table.index(position))).intersected(view.viewport()->rect());
    }

    ServerListView view;
    PaintLog paints{view.viewport()};
};

TEST_F(ServerListRepaintTest, AReplyRepaintsOnlyTheRowWhoseCountsItChanged)
{
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        add(name, "4", "16");
    showAndSettle();

    // The first server tells what the list shows already, the third has a new player.
    socket.deliver("\\hostname\\A\\numplayers\\4\\maxplayers\\16\\final\\", QStringLiteral("127.0.0.1"), 7778);
    socket.deliver("\\hostname\\C\\numplayers\\5\\maxplayers\\16\\final\\", QStringLiteral("127.0.0.3"), 7778);
    ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
    EXPECT_EQ(paints.painted, rowRegion(2));
}

TEST_F(ServerListRepaintTest, CountsCopiedAgainUnchangedRepaintNothing)
{
    const int a = add(QStringLiteral("A"), "4", "16");
    add(QStringLiteral("B"), "4", "16");
    const int c = add(QStringLiteral("C"), "4", "16");
    showAndSettle();

    // The server-info refill copies the counts to the list at every scan.
    table.syncListCounts(a);
    table.server(c)->MaxPlayers = "20";
    table.syncListCounts(c);
    ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
    EXPECT_EQ(paints.painted, rowRegion(2));

    // A check mark repaints its own row.
    paints.painted = QRegion();
    table.setChecked(1, true);
    ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
    EXPECT_EQ(paints.painted, rowRegion(1));
}

TEST_F(ServerListRepaintTest, RowsOutOfViewAreNotRepainted)
{
    for (int k = 0; k < 40; ++k)
        add(QStringLiteral("S%1").arg(k), "1", "8");
    showAndSettle();
    ASSERT_TRUE(rowRegion(39).isEmpty());

    table.server(table.slotAt(39))->NumPlayers = "2";
    table.syncListCounts(table.slotAt(39));
    table.server(table.slotAt(0))->NumPlayers = "3";
    table.syncListCounts(table.slotAt(0));
    ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
    EXPECT_EQ(paints.painted, rowRegion(0));

    // Scrolled into view, the row shows its new counts.
    view.scrollToBottom();
    const QRect last = view.visualRect(table.index(39));
    const QImage image = view.viewport()->grab().toImage();
    ServerListView fresh;
    fresh.setModel(&table);
    fresh.setItemDelegate(new ServerRowDelegate(&fresh));
    fresh.resize(view.size());
    fresh.show();
    fresh.scrollToBottom();
    EXPECT_EQ(image.copy(last), fresh.viewport()->grab().toImage().copy(fresh.visualRect(table.index(39))));
}

TEST_F(ServerListRepaintTest, AServerTurningStaleAndBackRepaintsItsRowAlone)
{
    QList<int> slots;
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        slots.append(add(name, "4", "16"));
    showAndSettle();

    // Rounds that the first and the third server answer in full.
    const auto scanAll = [&] {
        platform.clock.advance(15000);
        for (const int slot : std::as_const(slots))
            engine.scanServer(slot);
        for (const int k : {1, 3})
            socket.deliver("\\hostname\\S\\numplayers\\4\\maxplayers\\16\\player_0\\Ann\\final\\",
                           QStringLiteral("127.0.0.%1").arg(k), 7778);
    };
    const auto goStale = [&] {
        for (int k = 0; k < ServerHealth::kStaleMisses; ++k)
            scanAll();
        runEventLoopFor(20);
        EXPECT_TRUE(paints.painted.isEmpty());
        scanAll();
        ASSERT_TRUE(table.index(1).data(ServerTable::StaleRole).toBool());
        ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
        EXPECT_EQ(paints.painted, rowRegion(1));
        paints.painted = QRegion();
    };
    goStale();

    socket.deliver("\\hostname\\B\\numplayers\\4\\maxplayers\\16\\player_0\\Ann\\final\\", QStringLiteral("127.0.0.2"),
                   7778);
    ASSERT_TRUE(waitUntil([&] { return !paints.painted.isEmpty(); }));
    EXPECT_EQ(paints.painted, rowRegion(1));
    paints.painted = QRegion();
    goStale();

    // Drawn from the row's kept texts, the grey row is what a fresh list draws.
    ServerListView fresh;
    fresh.setModel(&table);
    fresh.setItemDelegate(new ServerRowDelegate(&fresh));
    fresh.resize(view.size());
    fresh.show();
    EXPECT_EQ(view.viewport()->grab().toImage(), fresh.viewport()->grab().toImage());
}

// Rows keep their texts laid out between paints; a new name or width must
// show as a list that never painted the old one shows it.
TEST_F(ServerListRepaintTest, KeptTextsFollowTheNameAndTheWidth)
{
    const int slot = add(QStringLiteral("Alpha"), "3", "8");
    add(QStringLiteral("A name long enough to be cut short at the list's right edge"), "8", "8");
    showAndSettle();
    table.setServerAddress(slot, QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Omega Station"));
    view.resize(180, 200);
    ASSERT_TRUE(
        waitUntil([&] { return paints.painted.contains(QPoint(1, view.visualRect(table.index(0)).center().y())); }));

    ServerListView fresh;
    fresh.setModel(&table);
    fresh.setItemDelegate(new ServerRowDelegate(&fresh));
    fresh.resize(180, 200);
    fresh.show();
    EXPECT_EQ(view.viewport()->grab().toImage(), fresh.viewport()->grab().toImage());
}

// A team game with two players: the "\\info\\" and "\\players\\" reply and the "\\teams\\" reply.
const QByteArray kReplies[] = {
    QByteArrayLiteral("\\hostname\\CTF\\numplayers\\2\\maxplayers\\16\\player_0\\Ann\\frags_0\\3\\team_0\\0"
                      "\\player_1\\Bob\\frags_1\\1\\team_1\\1\\final\\"),
    QByteArrayLiteral("\\team_0\\Red\\score_0\\4\\size_0\\1\\team_1\\Blue\\score_1\\2\\size_1\\1\\final\\"),
};

class PagesRefillTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    PagesRefillTest()
    {
        window = std::make_unique<MainWindow>(
            MainWindow::Context{stack, platform.messages, platform.files, config, Settings{}, profile.path()});
        table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("CTF"));
        for (const QByteArray &datagram : kReplies)
            reply(datagram);
        window->show();
        pages(*window)->setCurrentWidget(scorePage(*window));
        serverList(*window)->setCurrentIndex(table.index(0));

        const auto count = [](QAbstractItemModel *model, int &counter) {
            for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
                QObject::connect(model, signal, model, [&counter] { ++counter; });
            QObject::connect(model, &QAbstractItemModel::modelReset, model, [&counter] { ++counter; });
        };
        count(playersView(*window)->model(), playerRowChanges);
        count(serverInfoView(*window)->model(), infoRowChanges);
        count(scorePage(*window)->legend()->model(), legendRowChanges);
        QObject::connect(serverInfoView(*window)->model(), &QAbstractItemModel::dataChanged, window.get(),
                         [this](const QModelIndex &topLeft) { infoCellsChanged.append(topLeft.row()); });
    }

    void reply(const QByteArray &datagram) { socket.deliver(datagram, QStringLiteral("127.0.0.1"), 7778); }
    void scanFinished() { Q_EMIT poller(*window).playerScanFinished(0); }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    std::unique_ptr<MainWindow> window;
    int playerRowChanges = 0;
    int infoRowChanges = 0;
    int legendRowChanges = 0;
    QList<int> infoCellsChanged;
};

TEST_F(PagesRefillTest, AScanThatBroughtNothingNewRefillsNoPage)
{
    ASSERT_EQ(playersView(*window)->topLevelItemCount(), 2);
    ASSERT_EQ(scorePage(*window)->legend()->count(), 2);
    QSignalSpy legend(scorePage(*window)->graph(), &ScoreGraphView::legendChanged);

    // The same replies again.
    for (const QByteArray &datagram : kReplies)
        reply(datagram);
    scanFinished();
    EXPECT_EQ(playerRowChanges, 0);
    EXPECT_EQ(infoRowChanges, 0);
    EXPECT_TRUE(infoCellsChanged.isEmpty());
    EXPECT_EQ(legendRowChanges, 0);
    EXPECT_EQ(legend.count(), 0);
}

TEST_F(PagesRefillTest, ANewValueSetsOnlyItsCell)
{
    reply("\\maxplayers\\20\\final\\");
    scanFinished();
    // The value and its hint, both of row 7.
    ASSERT_FALSE(infoCellsChanged.isEmpty());
    EXPECT_EQ(infoCellsChanged.count(7), infoCellsChanged.size());
    EXPECT_EQ(serverInfoView(*window)->value(7), QStringLiteral("20"));
    EXPECT_EQ(infoRowChanges, 0);
    EXPECT_EQ(playerRowChanges, 0);
}

TEST_F(PagesRefillTest, NewScoresRefillThePlayersAndTheGraph)
{
    reply("\\player_1\\Bob\\frags_1\\7\\final\\");
    scanFinished();
    EXPECT_GT(playerRowChanges, 0);
    EXPECT_GT(legendRowChanges, 0);
    ASSERT_EQ(scorePage(*window)->legend()->count(), 2);
    EXPECT_EQ(scorePage(*window)->legend()->item(0)->text(), QStringLiteral("Bob"));
    EXPECT_TRUE(infoCellsChanged.isEmpty());
}

} // namespace
