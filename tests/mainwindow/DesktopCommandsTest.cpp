// Buddies, joining the game and the version check, through the window with
// fake desktop services.
#include "SimulatedVersionService.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/IniFile.h"
#include "history/HistorySource.h"
#include "launch/VersionCheck.h"
#include "launch/dialogs/RunPromptDialog.h"
#include "mainwindow/BuddiesPage.h"
#include "mainwindow/BuddyWatcher.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/TrayBlinker.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/WindowContext.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The history of earlier runs as far as the buddy list asks it.
class FakeHistory final : public HistorySource
{
public:
    QList<HistorySample> samples(const HistoryServer &, qint64, qint64) const override { return {}; }
    WeekHours busyHours(const HistoryServer &, qint64) const override
    {
        WeekHours none;
        none.fill(-1);
        return none;
    }
    std::optional<PlayerSighting> lastSighting(const QString &name) const override
    {
        asked.append(name);
        const auto found = sightings.constFind(name);
        return found == sightings.cend() ? std::nullopt : std::optional<PlayerSighting>(*found);
    }

    QHash<QString, PlayerSighting> sightings;
    mutable QStringList asked;
};

// Times and dates read as in Britain while it lives.
struct BritishTime
{
    BritishTime() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    ~BritishTime() { QLocale::setDefault(previous); }
    QLocale previous;
};

class DesktopCommandsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    void open(Settings settings)
    {
        window = std::make_unique<MainWindow>(windowContext(*this, config, settings, profile.path(), desktop.services(),
                                                            QStringLiteral("/usr/bin/wine")));
    }

    // A server on 127.0.0.1:7778 with these players, selected.
    void selectServerWith(const QByteArray &players, const QByteArray &counts = "\\numplayers\\3\\maxplayers\\16")
    {
        if (table.count() == 0)
            table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Frag Zone"));
        socket.deliver("\\hostname\\Frag Zone\\hostport\\7777" + counts + players + "\\final\\",
                       QStringLiteral("127.0.0.1"), 7778);
        serverList(*window)->clearSelection();
        serverList(*window)->setCurrentIndex(table.index(0));
    }

    QList<bool> marks() const { return pages(*window)->buddiesPage()->marks(); }

    // Typed into the Buddies page and added with its button.
    void addBuddy(const QString &name)
    {
        BuddiesPage *page = pages(*window)->buddiesPage();
        page->findChild<QLineEdit *>(QStringLiteral("ed_NewBuddy"))->setText(name);
        page->findChild<QPushButton *>(QStringLiteral("btn_AddBuddy"))->click();
    }

    // The Buddies page's line of a buddy, as it reads.
    QListWidgetItem *buddyItem(const QString &name) const
    {
        QListWidget *list = pages(*window)->buddiesPage()->list();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->data(Qt::AccessibleTextRole).toString() == name)
                return list->item(i);
        }
        ADD_FAILURE() << "no line for " << name.toStdString();
        return list->item(0);
    }

    // Press, release, press again as a double click, release: as the mouse does it.
    void doubleClick(QListWidgetItem *item)
    {
        QListWidget *list = pages(*window)->buddiesPage()->list();
        const QPoint centre = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, centre);
    }

    // Two checked servers on 127.0.0.1: "Frag Zone" on 7778, which
    // selectServerWith selects, and "Frag Zone DM #1" on 7788.
    void addTwoCheckedServers()
    {
        table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Frag Zone"));
        table.addServer(QStringLiteral("127.0.0.1"), 7788, QStringLiteral("Frag Zone DM #1"));
        table.setChecked(0, true);
        table.setChecked(1, true);
    }

    void deliverToDm(const QByteArray &players)
    {
        socket.deliver("\\hostname\\Frag Zone DM #1\\hostport\\7787" + players + "\\final\\",
                       QStringLiteral("127.0.0.1"), 7788);
    }

    // alice's line says she was seen last on "Frag Zone DM #1" at the minute
    // of one of the two moments: the clock may turn a minute between them.
    void expectAliceLastSeenOnDmBetween(const QDateTime &before, const QDateTime &after) const
    {
        const auto lastSeen = [](const QDateTime &time) {
            return QStringLiteral("alice (last seen %1 on Frag Zone DM #1)")
                .arg(QLocale().toString(time.time(), QLocale::ShortFormat));
        };
        const QString text = buddyItem(QStringLiteral("alice"))->text();
        EXPECT_TRUE(text == lastSeen(before) || text == lastSeen(after)) << text.toStdString();
    }

    int selectedRow() const
    {
        const QModelIndexList rows = serverList(*window)->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }

    QString baseWithGame()
    {
        const QString executable = game.filePath(QStringLiteral("System/ut-bin"));
        QDir().mkpath(game.filePath(QStringLiteral("System")));
        QFile file(executable);
        file.open(QIODevice::WriteOnly);
        return game.path();
    }

    QTemporaryDir profile;
    QTemporaryDir game;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    FakeDesktop desktop;
    std::unique_ptr<MainWindow> window;
};

TEST_F(DesktopCommandsTest, BuddiesJoiningAreMarkedPlayedBlinkedSpokenAndNotified)
{
    Settings settings;
    settings.Buddies = {QStringLiteral("alice"), QStringLiteral("Bob"), QStringLiteral("[AB]Neo")};
    settings.ComputerVoice = QStringLiteral("slt");
    settings.BuddySound = QStringLiteral("\"/sounds/buddy.wav\"");
    open(settings);
    selectServerWith("\\player_0\\Alice\\player_1\\Carol\\player_2\\BOB");
    EXPECT_EQ(marks(), (QList<bool>{false, true, true}) /* sorted: [AB]Neo, alice, Bob */);
    EXPECT_EQ(desktop.played, (QStringList{QStringLiteral("/sounds/buddy.wav"), QStringLiteral("/sounds/buddy.wav")}));
    EXPECT_TRUE(window->tray()->isBlinking() || !window->tray()->isAvailable());
    EXPECT_EQ(desktop.spoken, QStringList{QStringLiteral("alice and Bob joined the server")});
    EXPECT_EQ(desktop.notified, QStringList{QStringLiteral("Quorvelin|alice and Bob joined Frag Zone")});

    // Bob leaves and comes back; Neo joins with him.
    selectServerWith("\\player_0\\Alice");
    EXPECT_EQ(marks(), (QList<bool>{false, true, false}));
    selectServerWith("\\player_0\\Alice\\player_1\\bob\\player_2\\[ab]neo");
    EXPECT_EQ(desktop.spoken.last(), QStringLiteral(" AB Neo and Bob joined the server"));
    EXPECT_EQ(desktop.played.size(), 4);
    EXPECT_TRUE(platform.messages.errors.isEmpty());
}

TEST_F(DesktopCommandsTest, BuddyListEditsAreStoredAndNotificationsCanBeSwitchedOff)
{
    Settings settings;
    settings.BuddyNotification = false;
    open(settings);
    BuddiesPage *page = pages(*window)->buddiesPage();
    page->findChild<QLineEdit *>(QStringLiteral("ed_NewBuddy"))->setText(QStringLiteral("zed"));
    page->findChild<QPushButton *>(QStringLiteral("btn_AddBuddy"))->click();
    page->findChild<QLineEdit *>(QStringLiteral("ed_NewBuddy"))->setText(QStringLiteral("Amy"));
    page->findChild<QPushButton *>(QStringLiteral("btn_AddBuddy"))->click();
    EXPECT_EQ(page->names(), (QStringList{QStringLiteral("Amy"), QStringLiteral("zed")}));
    EXPECT_EQ(config.read().readString(QStringLiteral("nicknames"), QStringLiteral("buddies")),
              QStringLiteral("Amy,zed"));
    selectServerWith("\\player_0\\zed");
    EXPECT_TRUE(desktop.notified.isEmpty());
    EXPECT_EQ(desktop.played.size(), 1);

    // The chosen buddy becomes the selected player name of the context menus.
    page->list()->setCurrentRow(1);
    EXPECT_EQ(part<BuddyWatcher>(*window).selectedPlayer(), QStringLiteral("zed"));
    page->findChild<QPushButton *>(QStringLiteral("btn_RemoveBuddies"))->click();
    EXPECT_EQ(page->names(), QStringList{QStringLiteral("Amy")});
}

TEST_F(DesktopCommandsTest, BuddiesOnAnotherCheckedServerAreAnnouncedWithItsNameAndShownWhereTheyAre)
{
    const BritishTime british;
    Settings settings;
    settings.ComputerVoice = QStringLiteral("slt");
    open(settings);
    window->show();
    pages(*window)->setCurrentWidget(pages(*window)->buddiesPage());
    addBuddy(QStringLiteral("alice"));
    addBuddy(QStringLiteral("Bob"));
    addTwoCheckedServers();
    selectServerWith("\\player_0\\Carol", "\\numplayers\\1\\maxplayers\\16");
    ASSERT_EQ(selectedRow(), 0);
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->text(), QStringLiteral("alice"));

    // alice joins the server that is not selected.
    deliverToDm("\\numplayers\\2\\player_0\\Dave\\player_1\\ALICE");
    EXPECT_EQ(desktop.notified, QStringList{QStringLiteral("Quorvelin|alice joined Frag Zone DM #1")});
    EXPECT_EQ(desktop.spoken, QStringList{QStringLiteral("alice joined Frag Zone DM  1")});
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->text(), QStringLiteral("alice (on Frag Zone DM #1)"));
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("on Frag Zone DM #1"));
    EXPECT_EQ(marks(), (QList<bool>{false, false}));

    // Still there at the next scan: said once for the visit.
    const QDateTime before = QDateTime::currentDateTime();
    deliverToDm("\\numplayers\\2\\player_0\\ALICE\\player_1\\Dave");
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_EQ(desktop.notified.size(), 1);
    EXPECT_EQ(desktop.spoken.size(), 1);

    // She leaves; the page keeps when and where she was seen last.
    deliverToDm("\\numplayers\\1\\player_0\\Dave");
    expectAliceLastSeenOnDmBetween(before, after);

    // A double click on her line selects the server she was on.
    doubleClick(buddyItem(QStringLiteral("alice")));
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(desktop.notified.size(), 1);

    // Bob joining the selected server is announced as before, and only so.
    serverList(*window)->setCurrentIndex(table.index(0));
    ASSERT_EQ(selectedRow(), 0);
    selectServerWith("\\player_0\\Carol\\player_1\\bob", "\\numplayers\\2\\maxplayers\\16");
    EXPECT_EQ(desktop.notified.last(), QStringLiteral("Quorvelin|Bob joined Frag Zone"));
    EXPECT_EQ(desktop.spoken.last(), QStringLiteral("Bob joined the server"));
    EXPECT_EQ(desktop.notified.size(), 2);
    EXPECT_EQ(buddyItem(QStringLiteral("Bob"))->text(), QStringLiteral("Bob (on Frag Zone)"));
    EXPECT_TRUE(platform.messages.errors.isEmpty());
}

TEST_F(DesktopCommandsTest, UncheckedServersAndSilencedNotificationsStayQuiet)
{
    Settings settings;
    settings.Buddies = {QStringLiteral("alice")};
    settings.BuddyNotification = false;
    settings.ComputerVoice = QStringLiteral("slt");
    open(settings);
    addTwoCheckedServers();
    selectServerWith({}, "\\numplayers\\0\\maxplayers\\16");
    deliverToDm("\\numplayers\\1\\player_0\\alice");
    EXPECT_TRUE(desktop.notified.isEmpty());
    EXPECT_EQ(desktop.spoken, QStringList{QStringLiteral("alice joined Frag Zone DM  1")});

    // A server that is not checked is not watched.
    deliverToDm("\\numplayers\\0");
    table.setChecked(1, false);
    deliverToDm("\\numplayers\\1\\player_0\\alice");
    EXPECT_EQ(desktop.spoken.size(), 1);
    EXPECT_TRUE(desktop.played.isEmpty());
}

TEST_F(DesktopCommandsTest, AfterARestartTheBuddyListShowsWhereABuddyWasSeenBefore)
{
    const BritishTime british;
    Settings settings;
    settings.Buddies = {QStringLiteral("alice"), QStringLiteral("Bob")};
    open(settings);
    window->show();
    pages(*window)->setCurrentWidget(pages(*window)->buddiesPage());
    addTwoCheckedServers();
    selectServerWith({}, "\\numplayers\\0\\maxplayers\\16");

    FakeHistory history;
    const qint64 sunday = QDateTime(QDate(2024, 3, 10), QTime(21, 30)).toSecsSinceEpoch();
    history.sightings.insert(QStringLiteral("alice"),
                             PlayerSighting{QStringLiteral("alice"), HistoryServer{QStringLiteral("127.0.0.1"), 7788},
                                            QStringLiteral("Frag Zone DM #1"), sunday - 3600, sunday});
    part<BuddyWatcher>(*window).setHistory(&history);
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->text(),
              QStringLiteral("alice (last seen 10/03/2024 on Frag Zone DM #1)"));
    EXPECT_EQ(buddyItem(QStringLiteral("Bob"))->text(), QStringLiteral("Bob"));

    doubleClick(buddyItem(QStringLiteral("alice")));
    EXPECT_EQ(selectedRow(), 1);

    // Seen in this run, she is where this run saw her.
    selectServerWith({}, "\\numplayers\\0\\maxplayers\\16");
    deliverToDm("\\numplayers\\1\\player_0\\alice");
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->text(), QStringLiteral("alice (on Frag Zone DM #1)"));
    EXPECT_EQ(history.asked.count(QStringLiteral("alice")), 1);
    window.reset();
}

TEST_F(DesktopCommandsTest, WhereABuddyWasLastSeenIsKeptInTheProfileAcrossARestart)
{
    const BritishTime british;
    Settings settings;
    settings.Buddies = {QStringLiteral("alice")};
    open(settings);
    addTwoCheckedServers();
    selectServerWith({}, "\\numplayers\\0\\maxplayers\\16");
    deliverToDm("\\numplayers\\1\\maxplayers\\16\\player_0\\alice");
    const QDateTime before = QDateTime::currentDateTime();
    deliverToDm("\\numplayers\\1\\maxplayers\\16\\player_0\\alice");
    const QDateTime after = QDateTime::currentDateTime();
    deliverToDm("\\numplayers\\0\\maxplayers\\16");
    // Closing writes the replies not yet written.
    window.reset();

    open(settings);
    window->show();
    pages(*window)->setCurrentWidget(pages(*window)->buddiesPage());
    expectAliceLastSeenOnDmBetween(before, after);
    doubleClick(buddyItem(QStringLiteral("alice")));
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_TRUE(platform.messages.warnings.isEmpty());
}

TEST_F(DesktopCommandsTest, ADamagedHistoryIsToldOnceAndLeftAsItIsWhileTheMonitorGoesOn)
{
    const QString historyPath = QDir(profile.path()).filePath(QStringLiteral("history.sqlite"));
    const QByteArray damaged = QByteArray("SQLite format 3") + '\0' + QByteArray(4096, '\xa5');
    {
        QFile file(historyPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    open(Settings());
    window->show();
    ASSERT_TRUE(waitUntil([&] { return !platform.messages.warnings.isEmpty(); }));
    EXPECT_TRUE(platform.messages.warnings.first().startsWith(
        QStringLiteral("The history of the servers is not kept in this run.\n")))
        << platform.messages.warnings.first().toStdString();

    // The window goes on with what this run sees, keeps its settings, and
    // says nothing more.
    addBuddy(QStringLiteral("alice"));
    addTwoCheckedServers();
    selectServerWith({}, "\\numplayers\\0\\maxplayers\\16");
    deliverToDm("\\numplayers\\1\\maxplayers\\16\\player_0\\alice");
    EXPECT_EQ(buddyItem(QStringLiteral("alice"))->text(), QStringLiteral("alice (on Frag Zone DM #1)"));
    window.reset();
    EXPECT_EQ(platform.messages.warnings.size(), 1);
    QFile file(historyPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
    EXPECT_EQ(config.read().readString(QStringLiteral("nicknames"), QStringLiteral("buddies"), QString()),
              QStringLiteral("alice"));
}

TEST_F(DesktopCommandsTest, SpeechWithoutItsVoiceSaysSoOnRequest)
{
    Settings settings;
    settings.ComputerVoice = QStringLiteral("not installed");
    open(settings);
    part<BuddyWatcher>(*window).setSelectedPlayer(QStringLiteral("[AB]Neo"));
    window->findChild<QAction *>(QStringLiteral("mi_SayName"))->trigger();
    EXPECT_EQ(platform.messages.errors, QStringList{QStringLiteral("Speech Engine not selected")});
    // The welcome on activation reports it once only: the box itself
    // activates the window again when it closes.
    part<BuddyWatcher>(*window).speakBuffer();
    part<BuddyWatcher>(*window).speakBuffer();
    EXPECT_EQ(platform.messages.errors.size(), 2);
    EXPECT_TRUE(desktop.spoken.isEmpty());
}

TEST_F(DesktopCommandsTest, JoinRefusesWhatCannotBeJoinedAndStartsTheGameWithoutAShell)
{
    Settings settings;
    open(settings);
    selectServerWith({});
    trigger(*window, "mi_JoinServer");
    EXPECT_EQ(platform.messages.errors.last(), QStringLiteral("Could not find the Unreal Tournament executable."));

    settings.UTBaseDir = baseWithGame();
    settings.RunParams = QStringLiteral("-nosound");
    open(settings);
    selectServerWith({}, "\\numplayers\\16\\maxplayers\\16");
    trigger(*window, "mi_JoinServer");
    EXPECT_EQ(platform.messages.errors.last(), QStringLiteral("This server is full."));

    // A reply whose game port carries more than a number never reaches the command line.
    socket.deliver("\\hostport\\7777 -log=/etc/passwd\\numplayers\\3\\maxplayers\\16\\final\\",
                   QStringLiteral("127.0.0.1"), 7778);
    serverList(*window)->clearSelection();
    serverList(*window)->setCurrentIndex(table.index(0));
    platform.messages.nextAnswer = false;
    trigger(*window, "mi_JoinServer");
    EXPECT_EQ(platform.messages.questions.last(),
              QStringLiteral("Are your sure you want to join Frag Zone ?\nserver address : 127.0.0.1:7777"));
    EXPECT_TRUE(desktop.started.isEmpty());
    platform.messages.nextAnswer = true;
    trigger(*window, "mi_JoinServer");
    ASSERT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(desktop.started[0], (QStringList{game.filePath(QStringLiteral("System/ut-bin")),
                                               QStringLiteral("127.0.0.1:7777"), QStringLiteral("-nosound")}));
}

TEST_F(DesktopCommandsTest, TheRunPromptEditsTheCommandAndKeepsItsHistory)
{
    Settings settings;
    settings.UTBaseDir = baseWithGame();
    settings.promptOnRun = true;
    open(settings);
    selectServerWith({});
    platform.messages.nextAnswer = true;
    for (const bool run : {false, true}) {
        QTimer::singleShot(0, [run] {
            auto *prompt = qobject_cast<RunPromptDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(prompt, nullptr);
            EXPECT_EQ(prompt->parameters(), QStringLiteral("127.0.0.1:7777"));
            EXPECT_EQ(prompt->executableHistory().size(), 10);
            if (!run) {
                prompt->reject();
                return;
            }
            prompt->setCommand(QStringLiteral("/opt/ut/System/UnrealTournament.exe"),
                               QStringLiteral("127.0.0.1:7777 -windowed"), QStringLiteral("127.0.0.1:7777"));
            prompt->run();
        });
        trigger(*window, "mi_JoinServer");
    }
    ASSERT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(desktop.started[0],
              (QStringList{QStringLiteral("/usr/bin/wine"), QStringLiteral("/opt/ut/System/UnrealTournament.exe"),
                           QStringLiteral("127.0.0.1:7777"), QStringLiteral("-windowed")}));
    const IniFile ini = config.read();
    EXPECT_EQ(ini.readString(QStringLiteral("run_exec"), QStringLiteral("0")),
              QStringLiteral("/opt/ut/System/UnrealTournament.exe"));
    EXPECT_EQ(ini.readString(QStringLiteral("run_param"), QStringLiteral("0")),
              QStringLiteral("127.0.0.1:7777 -windowed"));
}

TEST_F(DesktopCommandsTest, NewerVersionIsOfferedOnceAcrossRestartsAndOnlyWebAddressesOpen)
{
    SimulatedVersionService service;
    ASSERT_TRUE(service.listen());
    Settings settings = Configuration::loadConfiguration(config.read(), profile.path());
    settings.VersionServer1 = QStringLiteral("127.0.0.1:%1").arg(service.port());
    open(settings);
    platform.messages.nextAnswer = true;
    part<VersionCheck>(*window).armStartUpCheck(true, 1);
    ASSERT_TRUE(waitUntil([this] { return !platform.messages.questions.isEmpty(); }));
    EXPECT_EQ(platform.messages.questions[0], QStringLiteral("Version 170 of Quorvelin is out.\n"
                                                             "You are currently using version 166.\n"
                                                             "Do you want to go to the homepage to download the "
                                                             "latest version ?"));
    EXPECT_EQ(desktop.opened, QStringList{QStringLiteral("https://quorvelin.example/download/")});
    window->close();

    // The next start remembers 170: the automatic check stays silent.
    settings = Configuration::loadConfiguration(config.read(), profile.path());
    EXPECT_EQ(settings.LastVersionChecked, 170);
    settings.VersionServer1 = QStringLiteral("127.0.0.1:%1").arg(service.port());
    open(settings);
    part<VersionCheck>(*window).armStartUpCheck(true, 1);
    ASSERT_TRUE(waitUntil([&service] { return service.requests().size() == 2; }));
    runEventLoopFor(100);
    EXPECT_EQ(platform.messages.questions.size(), 1);

    // By hand it is offered again; an address that is not a web address is not opened.
    SimulatedVersionConfig hostile;
    hostile.address = "file:///etc/passwd";
    service.setConfig(hostile);
    window->findChild<QAction *>(QStringLiteral("mi_CheckForNewVersion"))->trigger();
    ASSERT_TRUE(waitUntil([this] { return platform.messages.questions.size() == 2; }));
    EXPECT_EQ(desktop.opened.size(), 1);
}

} // namespace
