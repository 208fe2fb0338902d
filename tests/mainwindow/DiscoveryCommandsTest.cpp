// The window's commands that find servers and edit one, through their dialogs.
#include "SimulatedMaster.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
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
#include "support/MainWindowParts.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The LAN search asks beacons on the local host only.
LanSearchTargets lanTargets(quint16 firstBeaconPort, int beaconPortCount)
{
    return LanSearchTargets{{QStringLiteral("127.0.0.1")}, firstBeaconPort, beaconPortCount};
}

class DiscoveryCommandsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    DiscoveryCommandsTest()
    {
        Settings settings;
        settings.SleepTime = 0;
        window = std::make_unique<MainWindow>(MainWindow::Context{
            stack, platform.messages, platform.files, config, settings, profile.path(), &sockets, lanTargets(9000, 1)});
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
        return config.read()
            .readString(QStringLiteral("servers"), QStringLiteral("ip[1]"))
            .startsWith(QStringLiteral("127.0.0."));
    }));
    const IniFile ini = config.read();
    QStringList stored{ini.readString(QStringLiteral("servers"), QStringLiteral("desc[0]")),
                       ini.readString(QStringLiteral("servers"), QStringLiteral("desc[1]"))};
    stored.sort();
    EXPECT_EQ(stored, (QStringList{QStringLiteral("127.0.0.6:7790"), QStringLiteral("Five")}));
}

TEST_F(DiscoveryCommandsTest, ServersAlreadyListedAreMarkedAndKeepTheirOneRow)
{
    table.addServer(QStringLiteral("127.0.0.5"), 7778, QStringLiteral("Five"));
    table.addServer(QStringLiteral("127.0.0.7"), 7778, QStringLiteral("Seven"));
    whileOpen<LanServersDialog>("mi_FindLANServers", [this](LanServersDialog *dialog) {
        sockets.recent(1)->deliver("ut 7778", QStringLiteral("127.0.0.5"), 9000);
        sockets.recent(1)->deliver("ut 7790", QStringLiteral("127.0.0.6"), 9000);
        auto *list = dialog->findChild<QTreeWidget *>();
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->toolTip(0), QStringLiteral("Already in the server list"));
        EXPECT_TRUE(list->topLevelItem(1)->toolTip(0).isEmpty());
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("lbl_Listed"))->text(),
                  QStringLiteral("1 already in the list"));
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        list->topLevelItem(1)->setCheckState(0, Qt::Checked);
        dialog->accept();
    });
    ASSERT_TRUE(waitUntil([this] { return table.count() == 3 && !queriesTo(QStringLiteral("127.0.0.6")).isEmpty(); }));
    EXPECT_EQ(table.slotForSender(QStringLiteral("127.0.0.5"), 7778), table.slotAt(0));
    EXPECT_EQ(table.entry(table.slotAt(0))->Name, QStringLiteral("Five"));

    // The master's rows: those listed are marked and not added again.
    whileOpen<MasterServerDialog>("mi_MasterServer", [](MasterServerDialog *dialog) {
        MasterRows &rows = dialog->rows();
        rows.setServers({{QStringLiteral("127.0.0.7"), QStringLiteral("7778")},
                         {QStringLiteral("127.0.0.8"), QStringLiteral("7778")},
                         {QStringLiteral("127.0.0.6"), QStringLiteral("7790")}});
        EXPECT_EQ(rows.data(rows.index(0, MasterRows::NameColumn), Qt::ToolTipRole).toString(),
                  QStringLiteral("Already in the server list"));
        EXPECT_FALSE(rows.data(rows.index(1, MasterRows::NameColumn), Qt::ToolTipRole).isValid());
        EXPECT_EQ(rows.listedCount(), 2);
        for (int i = 0; i < 3; ++i)
            rows.setChecked(i, true);
        dialog->addServers();
    });
    ASSERT_TRUE(waitUntil([this] {
        return config.read().readString(QStringLiteral("servers"), QStringLiteral("ip[3]"))
               == QStringLiteral("127.0.0.8");
    }));
    EXPECT_EQ(table.count(), 4);
    QStringList servers;
    for (int position = 0; position < table.count(); ++position) {
        const TServerListInfo *entry = table.entry(table.slotAt(position));
        servers.append(entry->Host + QLatin1Char(':') + entry->Port);
    }
    servers.sort();
    EXPECT_EQ(servers, (QStringList{QStringLiteral("127.0.0.5:7778"), QStringLiteral("127.0.0.6:7790"),
                                    QStringLiteral("127.0.0.7:7778"), QStringLiteral("127.0.0.8:7778")}));
}

TEST_F(DiscoveryCommandsTest, PropertiesChangeTheServerOnlyAfterAPassingTest)
{
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Old"));
    serverList(*window)->setCurrentIndex(table.index(0));
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
        return config.read().readString(QStringLiteral("servers"), QStringLiteral("ip[0]"))
               == QStringLiteral("127.0.0.8");
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
    serverList(*window)->setCurrentIndex(table.index(0));
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
        serverList(*window)->setFocus();
        QString opened;
        QTimer::singleShot(0, [&opened] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (dialog) {
                opened = dialog->objectName();
                dialog->close();
            }
        });
        QTest::keyClick(serverList(*window), k.key, k.modifier);
        EXPECT_EQ(opened, QString::fromLatin1(k.dialog));
    }
}

// The window with real UDP sockets, as a user meets it: two simulated game
// servers on 127.0.0.1 with their LAN beacons, and a master server listing
// both. One of the two is in the server list already.
class FindingServersTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    FindingServersTest()
    {
        EXPECT_TRUE(farm.start(2));
        // A beacon port range of this process's own, so parallel tests do not meet.
        const auto firstBeacon = static_cast<quint16>(42000 + (QCoreApplication::applicationPid() % 2000) * 10);
        EXPECT_EQ(farm.startBeacons(firstBeacon, static_cast<quint16>(firstBeacon + 9)), 2);
        SimulatedMasterConfig listing;
        for (const SimulatedServer *server : farm.servers())
            listing.servers.append({QStringLiteral("127.0.0.1"), server->queryPort(), server->config().gameType, 1});
        master.setConfig(listing);
        EXPECT_TRUE(master.listen());
        config.write([this](IniFile &ini, QString *error) {
            return ini.writeString(QStringLiteral("locations"), QStringLiteral("MasterServers"),
                                   QStringLiteral("127.0.0.1:%1").arg(master.port()), error);
        });
        Settings settings;
        settings.SleepTime = 0;
        window =
            std::make_unique<MainWindow>(MainWindow::Context{stack, platform.messages, platform.files, config, settings,
                                                             profile.path(), nullptr, lanTargets(firstBeacon, 10)});
        table.addServer(QStringLiteral("127.0.0.1"), listedPort(), QStringLiteral("Already here"));
        window->show();
    }

    quint16 listedPort() const { return farm.server(0)->queryPort(); }
    quint16 newPort() const { return farm.server(1)->queryPort(); }

    // Presses the command's keys in the server list; while its dialog is
    // open, does what a user would, and closes it if that went wrong.
    void whileOpenAfterKeys(Qt::Key key, std::function<void(QDialog *)> user)
    {
        QApplication::setActiveWindow(window.get());
        serverList(*window)->setFocus();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ran = true;
            // What a window manager does for a dialog that opens.
            QApplication::setActiveWindow(dialog);
            user(dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog is still open";
                dialog->reject();
            }
        });
        QTest::keyClick(serverList(*window), key, Qt::ControlModifier);
        EXPECT_TRUE(ran);
    }

    // Ticks the rows of the simulated servers with the keyboard: Home, then
    // Space on each of them and Down to the next row. Beacons of other test
    // processes on this machine may answer too; their rows are passed over.
    void tickOurs(QAbstractItemView *rows, int portColumn)
    {
        rows->setFocus();
        QTest::keyClick(rows, Qt::Key_Home);
        for (int i = 0; i < rows->model()->rowCount(); ++i) {
            if (isOurs(rows->model()->index(i, portColumn).data().toString()))
                QTest::keyClick(rows, Qt::Key_Space);
            QTest::keyClick(rows, Qt::Key_Down);
        }
    }

    bool isOurs(const QString &port) const
    {
        return port == QString::number(listedPort()) || port == QString::number(newPort());
    }

    // The server list holds each simulated server once, the one listed
    // before under its old name, and so does the stored list.
    void expectEachServerOnce()
    {
        ASSERT_TRUE(waitUntil([this] { return table.count() >= 2 && !storedHost(1).isEmpty(); }, 10000));
        EXPECT_EQ(table.count(), 2);
        QStringList ports;
        for (int position = 0; position < table.count(); ++position) {
            const TServerListInfo *entry = table.entry(table.slotAt(position));
            ports.append(entry->Port);
            if (entry->Port == QString::number(listedPort())) {
                EXPECT_EQ(entry->Name, QStringLiteral("Already here"));
            }
        }
        QStringList expected{QString::number(listedPort()), QString::number(newPort())};
        ports.sort();
        expected.sort();
        EXPECT_EQ(ports, expected);
        EXPECT_TRUE(storedHost(2).isEmpty());
    }

    QString storedHost(int position)
    {
        return config.read().readString(QStringLiteral("servers"), QStringLiteral("ip[%1]").arg(position));
    }

    // Both simulated servers have answered and are named in the list.
    bool bothNamed(const QTreeWidget *list, int portColumn, int nameColumn) const
    {
        int named = 0;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = list->topLevelItem(i);
            named += isOurs(row->text(portColumn)) && !row->text(nameColumn).isEmpty() ? 1 : 0;
        }
        return named == 2;
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    SimulatedServerFarm farm;
    SimulatedMaster master;
    std::unique_ptr<MainWindow> window;
};

TEST_F(FindingServersTest, FindLanServersKeepsTheListedServerInItsOneRow)
{
    whileOpenAfterKeys(Qt::Key_F, [this](QDialog *dialog) {
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lv_LANServers"));
        ASSERT_TRUE(waitUntil([this, list] { return bothNamed(list, 1, 2); }, 10000));
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("lbl_Listed"))->text(),
                  QStringLiteral("1 already in the list"));
        tickOurs(list, 1);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btn_AddServers")), Qt::LeftButton);
    });
    expectEachServerOnce();
}

TEST_F(FindingServersTest, AddServerKeepsTheListedServerInItsOneRow)
{
    whileOpenAfterKeys(Qt::Key_A, [this](QDialog *dialog) {
        auto *host = dialog->findChild<QLineEdit *>(QStringLiteral("ed_IP"));
        QTest::mouseClick(host, Qt::LeftButton);
        QTest::keyClicks(host, QStringLiteral("127.0.0.1"));
        QTest::keyClick(host, Qt::Key_Return);
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lv_LANServers"));
        ASSERT_TRUE(waitUntil([this, list] { return bothNamed(list, 0, 1); }, 10000));
        EXPECT_EQ(dialog->findChild<QLabel *>(QStringLiteral("lbl_Listed"))->text(),
                  QStringLiteral("1 already in the list"));
        tickOurs(list, 0);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btn_AddServers")), Qt::LeftButton);
    });
    expectEachServerOnce();
}

TEST_F(FindingServersTest, MasterServerListKeepsTheListedServerInItsOneRow)
{
    whileOpenAfterKeys(Qt::Key_M, [this](QDialog *dialog) {
        auto *masters = dialog->findChild<QComboBox *>(QStringLiteral("cb_MasterServer"));
        masters->setFocus();
        QTest::keyClick(masters, Qt::Key_Down);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btn_Connect")), Qt::LeftButton);
        auto *masterDialog = qobject_cast<MasterServerDialog *>(dialog);
        ASSERT_TRUE(waitUntil(
            [masterDialog] {
                const MasterRows &rows = masterDialog->rows();
                return !masterDialog->isBusy() && rows.count() == 2 && !rows.row(0).name.isEmpty()
                       && !rows.row(1).name.isEmpty();
            },
            10000));
        EXPECT_EQ(masterDialog->statusText(3), QStringLiteral("1 already in the list"));
        tickOurs(dialog->findChild<QTreeView *>(QStringLiteral("lv_Servers")), MasterRows::PortColumn);
        EXPECT_EQ(masterDialog->rows().checkedPositions().size(), 2);
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btn_AddServers")), Qt::LeftButton);
    });
    expectEachServerOnce();
}

} // namespace
