#include "config/ConfigFile.h"
#include "core/DebugLog.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "mainwindow/DebugPage.h"
#include "mainwindow/SplashWindow.h"
#include "mainwindow/ServerInfoView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/Tfrm_Quorvelin_Main.h"
#include "platform/fakes/FakeDatagramSocket.h"
#include "platform/fakes/FakeEngineStack.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QPointer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    explicit MainWindowTest(bool debugMode = true)
    {
        state.DebugMode = debugMode;
        QFile list(profile.filePath(QStringLiteral("property_queries.lst")));
        list.open(QIODevice::WriteOnly);
        list.write("\\echo\\hello\n\n\\level_property\\\n");
        list.close();
        window = std::make_unique<Tfrm_Quorvelin_Main>(Tfrm_Quorvelin_Main::Context{
            state, table, engine, log, platform.messages, platform.files, config, Settings{}, profile.path()});
    }

    int addServer(const QString &name)
    {
        return table.AddServer(QStringLiteral("127.0.0.%1").arg(table.count() + 1), 7778, name);
    }

    void select(int position)
    {
        window->serverList()->setCurrentIndex(table.index(position));
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
    std::unique_ptr<Tfrm_Quorvelin_Main> window;
};

TEST_F(MainWindowTest, DeleteAsksAndRemovesOnlyOnYes)
{
    addServer(QStringLiteral("Alpha"));
    addServer(QStringLiteral("Beta"));
    select(1);

    platform.messages.nextAnswer = false;
    window->mi_DeleteserverClick();
    EXPECT_EQ(platform.messages.questions,
              QStringList{QStringLiteral("Are you sure you want to delete Beta ?\nThis can not be undone.")});
    EXPECT_EQ(table.count(), 2);

    platform.messages.nextAnswer = true;
    window->mi_DeleteserverClick();
    EXPECT_EQ(table.count(), 1);
    EXPECT_TRUE(table.isFree(1));
    EXPECT_TRUE(window->debugPage()->memo()->toPlainText().contains(
        QStringLiteral("Deleting server @ 1 with address 127.0.0.2:7778")));
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

    window->serverList()->setFocus();
    QTest::keyClick(window->serverList(), Qt::Key_Delete);
    EXPECT_EQ(platform.messages.questions.size(), 1);
    window->close();
}

TEST_F(MainWindowTest, SlidersDriveLabelsAndTimers)
{
    child<QSlider>("tb_PlayerInfoDelay")->setValue(24);
    EXPECT_EQ(child<QLabel>("lbl_PlayerInfoUpdate")->text(), QStringLiteral("     Update player info every 1:5 minutes"));
    EXPECT_EQ(engine.playerInfoTimer().interval(), 65000);

    window->applyPollingSettings(10, 5, 1, true, false);
    EXPECT_EQ(child<QLabel>("lbl_ServerListUpdate")->text(), QStringLiteral("update every 10 seconds"));
    EXPECT_EQ(engine.playerScanTimer().interval(), 10000);
    EXPECT_EQ(child<QLabel>("lbl_ServerInfoUpdate")->text(), QStringLiteral("     Update server info every 5 minutes"));
    EXPECT_TRUE(engine.serverInfoTimer().isActive());
    EXPECT_EQ(engine.playerInfoTimer().interval(), 10000);

    child<QCheckBox>("cb_ServerInfoUpdate")->click();
    EXPECT_FALSE(engine.serverInfoTimer().isActive());
    child<QCheckBox>("cb_PlayerInfoUpdate")->click();
    EXPECT_TRUE(engine.playerInfoTimer().isActive());
}

TEST_F(MainWindowTest, SelectionSetsTheCaptionAndTrayHint)
{
    const int slot = addServer(QStringLiteral("Alpha"));
    table.server(slot)->NumPlayers = "3";
    table.server(slot)->MaxPlayers = "10";
    table.server(slot)->Ping = 25;
    table.SyncListCounts(slot);
    select(0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvelin - [Alpha] - [3|10] - [ping: 25ms]"));
    EXPECT_EQ(window->trayHint(), QStringLiteral("[Alpha] - [3I10] - [ping: 25ms]"));
    EXPECT_EQ(window->serverInfoView()->value(2), QStringLiteral("25ms"));
}

TEST_F(MainWindowTest, DebugPageSendsToTheSelectedServerAndSavesItsLog)
{
    DebugPage *page = window->debugPage();
    EXPECT_EQ(page->queryList()->count(), 2);

    page->sendEdit()->setText(QStringLiteral("\\basic\\"));
    page->btn_DebugSendClick();
    EXPECT_TRUE(socket.sent.isEmpty());

    addServer(QStringLiteral("Alpha"));
    select(0);
    page->btn_DebugSendClick();
    page->queryList()->setCurrentRow(0);
    page->btn_DebugSendListClick();
    ASSERT_EQ(socket.sent.size(), 2);
    EXPECT_EQ(socket.sent[0].datagram, "\\basic\\");
    EXPECT_EQ(socket.sent[1].datagram, "\\echo\\hello");

    page->btn_SaveDebugInfoClick();
    QFile saved(profile.filePath(QStringLiteral("debuginfo.txt")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("send \\basic\\ to 127.0.0.1:7778"));

    page->btn_ClearDebugClick();
    EXPECT_TRUE(page->memo()->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, ClosingRaisesShuttingDownAndStopsTheTimers)
{
    window->applyPollingSettings(10, 1, 10, true, true);
    engine.startPolling();
    window->close();
    EXPECT_TRUE(state.ShuttingDown);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvelin closing..."));
    EXPECT_FALSE(engine.playerScanTimer().isActive());
    EXPECT_FALSE(engine.serverInfoTimer().isActive());
    EXPECT_FALSE(engine.playerInfoTimer().isActive());
}

TEST_F(MainWindowTest, FirstShowingAddsChecksAndQueriesTheStartServers)
{
    window->setStartServers({{QStringLiteral("127.0.0.1"), 7778}, {QStringLiteral("127.0.0.2"), 7790}});
    QPointer<SplashWindow> splash = new SplashWindow;
    splash->show();
    window->setSplash(splash);
    QStringList progress;
    platform.pump.onPump = [&] {
        if (splash)
            progress.append(splash->progressText());
    };
    window->show();
    const QDeadlineTimer deadline(3000);
    while (!engine.playerScanTimer().isActive() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
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
    EXPECT_FALSE(window->debugPage()->isVisibleTo(window.get()));
    addServer(QStringLiteral("Alpha"));
    EXPECT_TRUE(window->debugPage()->memo()->toPlainText().isEmpty());
}

} // namespace
