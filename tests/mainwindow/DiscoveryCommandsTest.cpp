// The window's commands that find servers and edit one, through their dialogs.
#include "config/ConfigFile.h"
#include "config/IniFile.h"
#include "discovery/MasterRows.h"
#include "discovery/dialogs/LanServersDialog.h"
#include "discovery/dialogs/MasterServerDialog.h"
#include "discovery/dialogs/ServerPropertiesDialog.h"
#include "mainwindow/DiscoveryCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

class DiscoveryCommandsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    DiscoveryCommandsTest()
    {
        Settings settings;
        settings.SleepTime = 0;
        window = std::make_unique<MainWindow>(MainWindow::Context{stack, platform.messages, platform.files, config,
                                                                  settings, profile.path(), &sockets,
                                                                  {{QStringLiteral("127.0.0.1")}, 9000, 1}});
    }

    // Runs the command; while its dialog is open, does what a user would.
    template<typename Dialog>
    void whileOpen(const char *action, std::function<void(Dialog *)> user)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            ran = true;
            user(dialog);
        });
        window->findChild<QAction *>(QString::fromLatin1(action))->trigger();
        EXPECT_TRUE(ran) << action;
    }

    QList<QByteArray> queriesTo(const QString &address) const
    {
        QList<QByteArray> queries;
        for (const auto &sent : socket.sent) {
            if (sent.address == address)
                queries.append(sent.datagram);
        }
        return queries;
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    FakeSocketFactory sockets;
    std::unique_ptr<MainWindow> window;
};

TEST_F(DiscoveryCommandsTest, LanServersAreAddedQueriedAndStored)
{
    whileOpen<LanServersDialog>("mi_FindLANServers", [this](LanServersDialog *dialog) {
        sockets.recent(1)->deliver("ut 7778", QStringLiteral("127.0.0.5"), 9000);
        sockets.recent(1)->deliver("ut 7790", QStringLiteral("127.0.0.6"), 9000);
        sockets.recent(0)->deliver("\\hostname\\Five\\", QStringLiteral("127.0.0.5"), 7778);
        auto *list = dialog->findChild<QTreeWidget *>();
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        dialog->accept();
    });
    ASSERT_TRUE(waitUntil([this] { return table.count() == 2 && !queriesTo(QStringLiteral("127.0.0.6")).isEmpty(); }));
    EXPECT_EQ(queriesTo(QStringLiteral("127.0.0.5")).first(), QByteArray("\\info\\"));
    EXPECT_TRUE(lines.filter(QStringLiteral("adding server 127.0.0.6:7790")).size() == 1);
    ASSERT_TRUE(waitUntil([this] {
        return config.read().readString(QStringLiteral("servers"), QStringLiteral("ip[1]")).startsWith(
            QStringLiteral("127.0.0."));
    }));
    const IniFile ini = config.read();
    QStringList stored{ini.readString(QStringLiteral("servers"), QStringLiteral("desc[0]")),
                       ini.readString(QStringLiteral("servers"), QStringLiteral("desc[1]"))};
    stored.sort();
    EXPECT_EQ(stored, (QStringList{QStringLiteral("127.0.0.6:7790"), QStringLiteral("Five")}));
}

TEST_F(DiscoveryCommandsTest, PropertiesChangeTheServerOnlyAfterAPassingTest)
{
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Old"));
    window->serverList()->setCurrentIndex(table.index(0));
    whileOpen<ServerPropertiesDialog>("mi_Serverproperties1", [](ServerPropertiesDialog *dialog) {
        EXPECT_EQ(dialog->address(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(dialog->description(), QStringLiteral("Old"));
        dialog->setServer(QStringLiteral("127.0.0.9"), 7790, QStringLiteral("New"));
        dialog->reject();
    });
    EXPECT_EQ(table.entry(table.slotAt(0))->Name, QStringLiteral("Old"));

    whileOpen<ServerPropertiesDialog>("mi_Serverproperties1", [this](ServerPropertiesDialog *dialog) {
        dialog->setServer(QStringLiteral("127.0.0.9"), 7790, QStringLiteral("New"));
        dialog->startTest();
        sockets.recent()->deliver("\\gamename\\ut\\gamever\\451\\", QStringLiteral("127.0.0.9"), 7790);
        dialog->confirm();
    });
    const int slot = table.slotAt(0);
    EXPECT_EQ(table.server(slot)->Host, QStringLiteral("127.0.0.9"));
    EXPECT_EQ(table.server(slot)->queryPort(), 7790);
    EXPECT_EQ(table.entry(slot)->Name, QStringLiteral("New"));
    EXPECT_EQ(queriesTo(QStringLiteral("127.0.0.9")).first(), QByteArray("\\info\\"));
    EXPECT_EQ(config.read().readString(QStringLiteral("servers"), QStringLiteral("desc[0]")), QStringLiteral("New"));
}

TEST_F(DiscoveryCommandsTest, MasterDialogKeepsItsRowsAndStoresEachAddedServer)
{
    whileOpen<MasterServerDialog>("mi_MasterServer", [](MasterServerDialog *dialog) {
        dialog->rows().setServers({{QStringLiteral("127.0.0.7"), QStringLiteral("7778")},
                                   {QStringLiteral("127.0.0.8"), QStringLiteral("7778")}});
        dialog->rows().setChecked(1, true);
        dialog->addServers();
    });
    ASSERT_TRUE(waitUntil([this] {
        return config.read().readString(QStringLiteral("servers"), QStringLiteral("ip[0]")) == QStringLiteral("127.0.0.8");
    }));
    EXPECT_EQ(table.count(), 1);
    EXPECT_FALSE(queriesTo(QStringLiteral("127.0.0.8")).isEmpty());

    whileOpen<MasterServerDialog>("mi_MasterServer", [](MasterServerDialog *dialog) {
        EXPECT_EQ(dialog->rows().count(), 2);
        EXPECT_EQ(dialog->rows().checkedPositions(), QList<int>{1});
        dialog->cancel();
    });
    EXPECT_EQ(table.count(), 1);
}

TEST_F(DiscoveryCommandsTest, ShortcutsOpenTheDialogsFromTheServerList)
{
    window->show();
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Old"));
    window->serverList()->setCurrentIndex(table.index(0));
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifier modifier;
        const char *dialog;
    } keys[] = {{Qt::Key_A, Qt::ControlModifier, "frm_AddServers"},
                {Qt::Key_F, Qt::ControlModifier, "frm_LANServers"},
                {Qt::Key_M, Qt::ControlModifier, "frm_MasterServer"},
                {Qt::Key_Return, Qt::AltModifier, "frm_ServerProperties"}};
    for (const auto &k : keys) {
        // Without a window manager nobody gives the window back its focus after a dialog.
        QApplication::setActiveWindow(window.get());
        window->serverList()->setFocus();
        QString opened;
        QTimer::singleShot(0, [&opened] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (dialog) {
                opened = dialog->objectName();
                dialog->close();
            }
        });
        QTest::keyClick(window->serverList(), k.key, k.modifier);
        EXPECT_EQ(opened, QString::fromLatin1(k.dialog));
    }
}

} // namespace
