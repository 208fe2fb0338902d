#include "SimulatedMaster.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "config/ConfigFile.h"
#include "discovery/MasterExchange.h"
#include "discovery/MasterRows.h"
#include "discovery/dialogs/AddServersDialog.h"
#include "discovery/dialogs/LanServersDialog.h"
#include "discovery/dialogs/MasterServerDialog.h"
#include "discovery/dialogs/ServerPropertiesDialog.h"
#include "platform/UdpSocketFactory.h"
#include "support/EventLoopWait.h"
#include "support/FakeDatagramSocket.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

template<typename T>
T *child(const QWidget *dialog, const char *name)
{
    T *widget = dialog->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// One tick of a dialog's one-second countdown, without waiting a second.
void tick(const QWidget *dialog, const char *timerName)
{
    auto *timer = dialog->findChild<QTimer *>(QString::fromLatin1(timerName));
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive());
    QMetaObject::invokeMethod(timer, "timeout");
}

QList<QByteArray> datagramsOf(const FakeDatagramSocket *socket)
{
    QList<QByteArray> datagrams;
    for (const auto &sent : socket->sent)
        datagrams.append(sent.datagram);
    return datagrams;
}

class MasterDialogTest : public ::testing::Test
{
protected:
    MasterDialogTest()
    {
        master.setConfig([] {
            SimulatedMasterConfig three;
            three.servers = generatedServers(3, 7778, 1);
            return three;
        }());
        EXPECT_TRUE(master.listen());
        dialog.setMasterServers({QStringLiteral("127.0.0.1:%1").arg(master.port())});
        dialog.show();
    }

    void selectMaster() { child<QComboBox>(&dialog, "cb_MasterServer")->setCurrentIndex(0); }

    FakeDatagramSocket *socket() const { return sockets.recent(); }

    QTemporaryDir profile;
    FakePlatform platform;
    FakeSocketFactory sockets;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    int listed = 0;
    SimulatedMaster master;
    MasterServerDialog dialog{
        {config, sockets, platform.clock, platform.messages, 65000, 0, [this] { return listed; }}};
};

TEST_F(MasterDialogTest, FetchesPingsAndFillsTheRows)
{
    dialog.connectToMaster();
    EXPECT_FALSE(dialog.isBusy()) << "no entry selected";
    selectMaster();
    dialog.connectToMaster();
    EXPECT_TRUE(dialog.isBusy());
    EXPECT_FALSE(child<QPushButton>(&dialog, "btn_Connect")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(&dialog, "btn_Cancel")->isEnabled());
    ASSERT_TRUE(waitUntil([this] { return !dialog.isBusy(); }));
    EXPECT_EQ(dialog.statusText(1), QStringLiteral("3 servers"));
    EXPECT_EQ(dialog.statusText(2), QStringLiteral("3"));
    EXPECT_EQ(dialog.statusText(0), QStringLiteral("Retreiving server info"));
    ASSERT_EQ(socket()->sent.size(), 3);
    EXPECT_EQ(socket()->localPort(), 65001);
    EXPECT_EQ(socket()->sent[2].datagram, QByteArray("\\info\\"));
    EXPECT_EQ(socket()->sent[2].port, 7780);

    platform.clock.advance(25);
    socket()->deliver("\\hostname\\Second\\gametype\\CTFGame\\gamever\\451\\final\\", QStringLiteral("127.0.0.1"),
                      7779);
    socket()->deliver("\\hostname\\Stranger\\", QStringLiteral("127.0.0.2"), 7779);
    const MasterRows &rows = dialog.rows();
    EXPECT_EQ(rows.row(1).name, QStringLiteral("Second"));
    EXPECT_EQ(rows.row(1).ping, QStringLiteral("25"));
    EXPECT_TRUE(rows.row(0).name.isEmpty());

    // Time-outs only: the named row is passed over.
    socket()->sent.clear();
    dialog.repingTimeouts();
    ASSERT_TRUE(waitUntil([this] { return !dialog.isBusy(); }));
    ASSERT_EQ(socket()->sent.size(), 2);
    EXPECT_EQ(socket()->sent[0].port, 7778);
    EXPECT_EQ(socket()->sent[1].port, 7780);
}

TEST_F(MasterDialogTest, CancelStopsATransferAndClosesOnlyWhenIdle)
{
    SimulatedMasterConfig silent;
    silent.misbehaviour = SimulatedMasterConfig::Misbehaviour::NoGreeting;
    master.setConfig(silent);
    selectMaster();
    dialog.connectToMaster();
    ASSERT_TRUE(waitUntil([this] { return dialog.statusText(0) == QStringLiteral("Connected to master server"); }));
    dialog.cancel();
    EXPECT_EQ(dialog.statusText(0), QStringLiteral("Aborted"));
    EXPECT_FALSE(dialog.isBusy());
    EXPECT_TRUE(dialog.isVisible());
    dialog.cancel();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(sockets.recent(), nullptr) << "the socket closes with the dialog";
}

TEST_F(MasterDialogTest, RefreshedGameTypesAreStoredAndLeftUnselected)
{
    selectMaster();
    dialog.refreshGameTypes();
    ASSERT_TRUE(waitUntil([this] { return !dialog.isBusy(); }));
    EXPECT_EQ(dialog.statusText(0), QStringLiteral("Game types updated"));
    auto *types = child<QComboBox>(&dialog, "cb_GameType");
    EXPECT_EQ(types->count(), 4);
    EXPECT_EQ(types->currentIndex(), -1);
    EXPECT_EQ(config.read().readString(QStringLiteral("MasterServer"), QStringLiteral("GameTypes")),
              QStringLiteral("\"(any gametype)\",DeathMatchPlus,CTFGame,TeamGamePlus"));
}

TEST_F(MasterDialogTest, AddingStopsAtTheTableLimit)
{
    selectMaster();
    dialog.connectToMaster();
    ASSERT_TRUE(waitUntil([this] { return !dialog.isBusy(); }));
    listed = 254;
    for (int i = 0; i < 3; ++i)
        dialog.rows().setChecked(i, true);
    dialog.addServers();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(platform.messages.errors.size(), 1);
    EXPECT_EQ(platform.messages.errors[0], QStringLiteral("You can only add up to 2 new server.\n"
                                                          "If you want to add more you should delete\n"
                                                          "some servers from the main list."));
    dialog.rows().setChecked(2, false);
    dialog.addServers();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(MasterDialogTest, RowsTheListHoldsAreMarkedAndAddNothing)
{
    dialog.rows().setIsListed([](const QString &address, int port) {
        return address == QStringLiteral("127.0.0.1") && (port == 7778 || port == 7780);
    });
    selectMaster();
    dialog.connectToMaster();
    ASSERT_TRUE(waitUntil([this] { return !dialog.isBusy(); }));
    EXPECT_EQ(dialog.statusText(3), QStringLiteral("2 already in the list"));
    EXPECT_EQ(dialog.rows().data(dialog.rows().index(2, MasterRows::NameColumn), Qt::ToolTipRole).toString(),
              QStringLiteral("Already in the server list"));
    // Only the one new server counts against the table limit.
    listed = 255;
    for (int i = 0; i < 3; ++i)
        dialog.rows().setChecked(i, true);
    dialog.addServers();
    EXPECT_TRUE(platform.messages.errors.isEmpty()) << platform.messages.errors.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

class AddServersTest : public ::testing::Test
{
protected:
    AddServersTest() { dialog.show(); }

    void search(const QString &host)
    {
        child<QLineEdit>(&dialog, "ed_IP")->setText(host);
        dialog.findServers();
    }

    FakeDatagramSocket *findLan() const { return sockets.recent(1); }
    FakeDatagramSocket *getInfo() const { return sockets.recent(0); }
    QTreeWidget *list() const { return child<QTreeWidget>(&dialog, "lv_LANServers"); }

    FakePlatform platform;
    FakeSocketFactory sockets;
    AddServersDialog dialog{{sockets, platform.resolver, platform.messages, 65000, 0, 3, {}}};
};

TEST_F(AddServersTest, AsksTheBeaconPortsAndTheFirstAnswerEndsTheSearch)
{
    search(QStringLiteral("10.1.2.3"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers - searching..."));
    ASSERT_TRUE(waitUntil([this] { return findLan()->sent.size() == 10; }));
    EXPECT_EQ(findLan()->sent[0].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(findLan()->sent[0].port, 8777);
    EXPECT_EQ(findLan()->sent[9].port, 8786);
    EXPECT_EQ(findLan()->sent[9].datagram, QByteArray("REPORTQUERY"));
    EXPECT_EQ(findLan()->localPort(), 65001);
    EXPECT_EQ(getInfo()->localPort(), 65002);

    findLan()->deliver("ut 7778", QStringLiteral("10.1.2.3"), 8777);
    EXPECT_FALSE(dialog.isSearching());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers"));
    findLan()->deliver("ut 7790", QStringLiteral("10.1.2.3"), 8778);
    findLan()->deliver("xx 7791", QStringLiteral("10.1.2.3"), 8779);
    ASSERT_EQ(list()->topLevelItemCount(), 2);
    EXPECT_EQ(datagramsOf(getInfo()), (QList<QByteArray>{"\\info\\", "\\info\\"}));
    EXPECT_EQ(getInfo()->sent[1].port, 7790);

    getInfo()->deliver("\\hostname\\Bolt\\", QStringLiteral("10.1.2.3"), 7790);
    list()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    const QList<FoundServer> ticked = dialog.tickedServers();
    ASSERT_EQ(ticked.size(), 1);
    EXPECT_EQ(ticked[0].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(ticked[0].port, 7790);
    EXPECT_EQ(ticked[0].name, QStringLiteral("Bolt"));
}

TEST_F(AddServersTest, CountsDownAndCancelEndsTheSearchAtTheNextTick)
{
    search(QStringLiteral("10.1.2.3"));
    tick(&dialog, "tmr_TimeOut");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers - searching ... (3 seconds left)"));
    tick(&dialog, "tmr_TimeOut");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers - searching ... (2 seconds left)"));
    dialog.cancel();
    EXPECT_TRUE(dialog.isVisible());
    tick(&dialog, "tmr_TimeOut");
    EXPECT_FALSE(dialog.isSearching());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers"));
    dialog.cancel();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(AddServersTest, QueriesOnePortDirectlyInTheAdvancedForm)
{
    child<QPushButton>(&dialog, "btn_Advanced")->click();
    search(QStringLiteral("10.1.2.3"));
    EXPECT_FALSE(dialog.isSearching());
    ASSERT_EQ(list()->topLevelItemCount(), 1);
    EXPECT_EQ(list()->topLevelItem(0)->text(0), QStringLiteral("7778"));
    ASSERT_EQ(getInfo()->sent.size(), 1);
    EXPECT_EQ(getInfo()->sent[0].port, 7778);
    EXPECT_TRUE(findLan()->sent.isEmpty());
}

TEST_F(AddServersTest, ResolvesNamesAndRejectsBadHosts)
{
    platform.resolver.names.insert(QStringLiteral("lan-box"), QStringLiteral("10.9.9.9"));
    search(QStringLiteral("lan-box"));
    ASSERT_TRUE(waitUntil([this] { return findLan()->sent.size() == 10; }));
    EXPECT_EQ(child<QLineEdit>(&dialog, "ed_IP")->text(), QStringLiteral("10.9.9.9"));

    search(QStringLiteral("nowhere"));
    ASSERT_TRUE(waitUntil([this] { return !platform.messages.warnings.isEmpty(); }));
    EXPECT_EQ(platform.messages.warnings[0], QStringLiteral("Could not resolve 'nowhere'"));
    EXPECT_TRUE(dialog.isSearching()) << "the countdown brings it back";

    search(QStringLiteral("10.1.2"));
    ASSERT_EQ(platform.messages.errors.size(), 1);
    EXPECT_EQ(platform.messages.errors[0], QStringLiteral("Invalid host address. Please correct this"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers - invalid host"));
    EXPECT_FALSE(dialog.isSearching());
}

TEST_F(AddServersTest, EachRowKeepsTheAddressOfTheHostThatAnswered)
{
    // A broadcast address typed in: two hosts answer, one of them with the same port.
    search(QStringLiteral("10.1.2.255"));
    ASSERT_TRUE(waitUntil([this] { return findLan()->sent.size() == 10; }));
    findLan()->deliver("ut 7778", QStringLiteral("10.1.2.3"), 8777);
    findLan()->deliver("ut 7778", QStringLiteral("10.1.2.4"), 8777);
    findLan()->deliver("ut 7790", QStringLiteral("10.1.2.3"), 8778);
    ASSERT_EQ(list()->topLevelItemCount(), 3);
    getInfo()->deliver("\\hostname\\Four\\", QStringLiteral("10.1.2.4"), 7778);
    getInfo()->deliver("\\hostname\\Three\\", QStringLiteral("10.1.2.3"), 7778);
    for (int i = 0; i < 3; ++i)
        list()->topLevelItem(i)->setCheckState(0, Qt::Checked);
    QList<FoundServer> ticked = dialog.tickedServers();
    ASSERT_EQ(ticked.size(), 3);
    EXPECT_EQ(ticked[0].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(ticked[0].name, QStringLiteral("Three"));
    EXPECT_EQ(ticked[1].address, QStringLiteral("10.1.2.4"));
    EXPECT_EQ(ticked[1].name, QStringLiteral("Four"));
    EXPECT_EQ(ticked[2].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(ticked[2].port, 7790);

    // A late answer to the previous search keeps its own host too.
    search(QStringLiteral("10.1.2.9"));
    ASSERT_TRUE(waitUntil([this] { return findLan()->sent.size() == 20; }));
    findLan()->deliver("ut 7778", QStringLiteral("10.1.2.9"), 8777);
    findLan()->deliver("ut 7791", QStringLiteral("10.1.2.3"), 8779);
    ASSERT_EQ(list()->topLevelItemCount(), 2);
    for (int i = 0; i < 2; ++i)
        list()->topLevelItem(i)->setCheckState(0, Qt::Checked);
    ticked = dialog.tickedServers();
    ASSERT_EQ(ticked.size(), 2);
    EXPECT_EQ(ticked[0].address, QStringLiteral("10.1.2.9"));
    EXPECT_EQ(ticked[1].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(ticked[1].port, 7791);
}

TEST_F(AddServersTest, ALateNameAnswerStartsNoSearchTheUserCancelled)
{
    platform.resolver.holdAnswers = true;
    platform.resolver.names.insert(QStringLiteral("slow-box"), QStringLiteral("10.9.9.9"));
    search(QStringLiteral("slow-box"));
    ASSERT_EQ(platform.resolver.pending, QStringList{QStringLiteral("slow-box")});
    dialog.cancel();
    tick(&dialog, "tmr_TimeOut");
    EXPECT_FALSE(dialog.isSearching());
    platform.resolver.answerPending();
    EXPECT_TRUE(findLan()->sent.isEmpty());
    EXPECT_FALSE(dialog.isSearching());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add servers"));
    EXPECT_TRUE(child<QPushButton>(&dialog, "btn_FindLAN")->isEnabled());

    // The same with the search given up by the countdown.
    search(QStringLiteral("slow-box"));
    for (int i = 0; i <= 3; ++i)
        tick(&dialog, "tmr_TimeOut");
    EXPECT_FALSE(dialog.isSearching());
    platform.resolver.answerPending();
    EXPECT_TRUE(findLan()->sent.isEmpty());

    // A search that is still running goes on when the name answers.
    search(QStringLiteral("slow-box"));
    platform.resolver.answerPending();
    ASSERT_TRUE(waitUntil([this] { return findLan()->sent.size() == 10; }));
    EXPECT_EQ(findLan()->sent[0].address, QStringLiteral("10.9.9.9"));
}

TEST(LanServers, ListsEachAnswerOnceAndNamesIt)
{
    FakeSocketFactory sockets;
    LanServersDialog dialog({sockets, 65000, {{QStringLiteral("127.0.0.1")}, 9000, 2}});
    dialog.show();
    FakeDatagramSocket *findLan = sockets.recent(1);
    FakeDatagramSocket *getInfo = sockets.recent(0);
    ASSERT_EQ(findLan->sent.size(), 2);
    EXPECT_EQ(findLan->sent[1].address, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(findLan->sent[1].port, 9001);
    findLan->deliver("ut 7778", QStringLiteral("127.0.0.5"), 9000);
    findLan->deliver("ut 7778", QStringLiteral("127.0.0.5"), 9001);
    findLan->deliver("ut 7778", QStringLiteral("127.0.0.6"), 9000);
    EXPECT_EQ(getInfo->sent.size(), 2);
    getInfo->deliver("\\hostname\\Six\\", QStringLiteral("127.0.0.6"), 7778);
    auto *list = child<QTreeWidget>(&dialog, "lv_LANServers");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("Six"));
    EXPECT_TRUE(list->topLevelItem(0)->text(2).isEmpty());
}

TEST(LanServers, FindsTheSimulatedServersOnLoopback)
{
    SimulatedServerFarm farm;
    ASSERT_TRUE(farm.start(3));
    // A port range of this process's own, so parallel tests do not meet.
    const auto first = static_cast<quint16>(40000 + (QCoreApplication::applicationPid() % 2000) * 10);
    ASSERT_EQ(farm.startBeacons(first, static_cast<quint16>(first + 9)), 3);
    UdpSocketFactory sockets;
    LanServersDialog dialog({sockets, 0, {{QStringLiteral("127.0.0.1")}, first, 10}});
    dialog.show();
    auto *list = child<QTreeWidget>(&dialog, "lv_LANServers");
    ASSERT_TRUE(waitUntil([list] {
        if (list->topLevelItemCount() != 3)
            return false;
        for (int i = 0; i < 3; ++i) {
            if (list->topLevelItem(i)->text(2).isEmpty())
                return false;
        }
        return true;
    }));
}

class PropertiesTest : public ::testing::Test
{
protected:
    PropertiesTest()
    {
        dialog.setServer(QStringLiteral("127.0.0.1"), 7778, QString());
        dialog.show();
    }

    FakeDatagramSocket *socket() const { return sockets.recent(); }
    QPushButton *ok() const { return child<QPushButton>(&dialog, "btn_OK"); }

    FakePlatform platform;
    FakeSocketFactory sockets;
    ServerPropertiesDialog dialog{{sockets, platform.messages, 65000, 2}};
};

TEST_F(PropertiesTest, DescriptionFollowsTheAddressUntilTyped)
{
    // The empty description filled last wins; then it follows the address.
    EXPECT_EQ(dialog.description(), QString());
    child<QSpinBox>(&dialog, "se_ServerPort")->setValue(7790);
    EXPECT_EQ(dialog.description(), QStringLiteral("127.0.0.1:7790"));
    QTest::keyClick(child<QLineEdit>(&dialog, "ed_Description"), Qt::Key_End);
    child<QSpinBox>(&dialog, "se_ServerPort")->setValue(7791);
    EXPECT_EQ(dialog.description(), QStringLiteral("127.0.0.1:7790"));
}

TEST_F(PropertiesTest, OnlyTheTestedServerTurnsTheTestGreen)
{
    dialog.confirm();
    EXPECT_EQ(platform.messages.informations,
              QStringList{QStringLiteral("Please run the test to be sure the server information is correct.")});
    dialog.startTest();
    ASSERT_EQ(socket()->sent.size(), 1);
    EXPECT_EQ(socket()->sent[0].datagram, QByteArray("\\basic\\"));
    EXPECT_EQ(socket()->localPort(), 65001);
    EXPECT_FALSE(ok()->isEnabled());
    socket()->deliver("\\gamename\\ut\\gamever\\436\\", QStringLiteral("127.0.0.2"), 7778);
    EXPECT_TRUE(dialog.isTesting());
    socket()->deliver("\\gamename\\ut\\gamever\\436\\minnetver\\432\\final\\", QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Found);
    EXPECT_EQ(dialog.resultText(), QStringLiteral("Found UT server, version 436"));

    // A value changed after the test was not tested.
    child<QSpinBox>(&dialog, "se_ServerPort")->setValue(7779);
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Untested);
    dialog.confirm();
    EXPECT_EQ(platform.messages.informations.size(), 2);
    dialog.startTest();
    socket()->deliver("\\gamename\\ut\\gamever\\469\\", QStringLiteral("127.0.0.1"), 7779);
    dialog.confirm();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(PropertiesTest, AnAddressTypedWithLeadingZerosIsTestedAndTakenInItsCanonicalForm)
{
    auto *address = child<QLineEdit>(&dialog, "ed_ServerAddress");
    address->clear();
    QTest::keyClicks(address, QStringLiteral("010.000.000.001"));
    dialog.startTest();
    ASSERT_EQ(socket()->sent.size(), 1);
    EXPECT_EQ(socket()->sent[0].address, QStringLiteral("10.0.0.1"));
    socket()->deliver("\\gamename\\ut\\gamever\\451\\", QStringLiteral("10.0.0.1"), 7778);
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Found) << dialog.resultText().toStdString();
    EXPECT_EQ(dialog.address(), QStringLiteral("10.0.0.1"));
    dialog.confirm();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(AddServersTest, AHostTypedWithLeadingZerosIsTheOneThatAnswers)
{
    child<QPushButton>(&dialog, "btn_Advanced")->click();
    search(QStringLiteral("010.001.002.003"));
    ASSERT_EQ(getInfo()->sent.size(), 1);
    EXPECT_EQ(getInfo()->sent[0].address, QStringLiteral("10.1.2.3"));
    getInfo()->deliver("\\hostname\\Bolt\\", QStringLiteral("10.1.2.3"), 7778);
    list()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    const QList<FoundServer> ticked = dialog.tickedServers();
    ASSERT_EQ(ticked.size(), 1);
    EXPECT_EQ(ticked[0].address, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(ticked[0].name, QStringLiteral("Bolt"));
}

TEST_F(PropertiesTest, SilenceCancelAndBadAddressesFailTheTest)
{
    dialog.startTest();
    tick(&dialog, "tm_TimeOut");
    EXPECT_EQ(dialog.resultText(), QStringLiteral("2 seconds left..."));
    tick(&dialog, "tm_TimeOut");
    tick(&dialog, "tm_TimeOut");
    EXPECT_EQ(dialog.resultText(), QStringLiteral("No reply received"));
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Failed);
    EXPECT_FALSE(ok()->isEnabled());

    dialog.startTest();
    dialog.cancel();
    EXPECT_EQ(dialog.resultText(), QStringLiteral("Canceled by user"));
    EXPECT_TRUE(dialog.isVisible());
    dialog.confirm();
    EXPECT_EQ(platform.messages.errors,
              QStringList{QStringLiteral("Server information is incorrect.\nPlease correct this.")});

    child<QLineEdit>(&dialog, "ed_ServerAddress")->setText(QStringLiteral("server.example"));
    dialog.startTest();
    EXPECT_EQ(dialog.resultText(), QStringLiteral("Invalid host address"));
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Untested);
    EXPECT_TRUE(child<QPushButton>(&dialog, "sB_Test")->isEnabled());
    dialog.cancel();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(Properties, TestsASimulatedServerOnLoopback)
{
    SimulatedServerFarm farm;
    ASSERT_TRUE(farm.start(1));
    FakePlatform platform;
    UdpSocketFactory sockets;
    ServerPropertiesDialog dialog({sockets, platform.messages, 0, 30});
    dialog.setServer(QStringLiteral("127.0.0.1"), farm.server(0)->queryPort(), QStringLiteral("Sim"));
    dialog.show();
    dialog.startTest();
    ASSERT_TRUE(waitUntil([&dialog] { return !dialog.isTesting(); }));
    EXPECT_EQ(dialog.testResult(), ServerPropertiesDialog::TestResult::Found) << dialog.resultText().toStdString();
}

} // namespace
