// The settings dialog as a user meets it: opened with its shortcut, changed
// with the mouse and the keyboard, confirmed, and then the commands and
// announcements it changed, in the running window and after a restart.
#include "SimulatedVersionService.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/HotKeys.h"
#include "config/IniFile.h"
#include "core/Poller.h"
#include "history/HistoryFiles.h"
#include "history/HistoryStore.h"
#include "mainwindow/BuddiesPage.h"
#include "launch/dialogs/SettingsDialog.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString kServerAddress = QStringLiteral("127.0.0.1");
constexpr quint16 kServerPort = 7778;

// One start of the program on the profile: fresh fakes, and the window built
// from what the profile's configuration file holds.
struct Start
{
    explicit Start(const QString &profileDirectory)
        : profile(profileDirectory)
    {
        const Settings settings = Configuration::loadConfiguration(config.read(), profile + QLatin1Char('/'));
        window = std::make_unique<MainWindow>(MainWindow::Context{fakes.stack,
                                                                  fakes.platform.messages,
                                                                  fakes.platform.files,
                                                                  config,
                                                                  settings,
                                                                  profile,
                                                                  &sockets,
                                                                  {{kServerAddress}, 9000, 1},
                                                                  desktop.services(),
                                                                  QString()});
    }

    QString profile;
    FakeEngineStack fakes;
    ConfigFile config{QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), fakes.platform.messages};
    FakeDesktop desktop;
    FakeSocketFactory sockets;
    std::unique_ptr<MainWindow> window;
};

template<typename T>
T *child(const QWidget *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

int rowOf(const char *key)
{
    const QList<HotKeys::Row> &rows = HotKeys::table();
    for (qsizetype n = 0; n < rows.size(); ++n) {
        if (rows[n].key == QLatin1String(key))
            return int(n);
    }
    return -1;
}

class SettingsJourneyTest : public ::testing::Test
{
protected:
    SettingsJourneyTest()
    {
        EXPECT_TRUE(versions.listen());
        // Checks by hand only, against the simulated version service; no
        // pause between queries.
        const QString versionHost = QStringLiteral("127.0.0.1:%1").arg(versions.port());
        store({{"general", "SleepTime", QStringLiteral("0")},
               {"general", "CheckVersionAtStartUp", QStringLiteral("0")},
               {"locations", "version_server1", versionHost},
               {"locations", "version_server2", versionHost}});
    }

    struct Key
    {
        const char *section;
        const char *key;
        QString value;
    };

    // Values in the profile's configuration file, as an earlier run left them.
    void store(std::initializer_list<Key> keys)
    {
        IniFile ini(profile.filePath(QStringLiteral("Quorvelin.ini")));
        ASSERT_TRUE(ini.load());
        for (const Key &key : keys)
            ASSERT_TRUE(ini.writeString(QLatin1String(key.section), QLatin1String(key.key), key.value));
        ASSERT_TRUE(ini.save());
    }

    // The server list of the profile: one server, Frag Zone on the local host.
    void storeServer()
    {
        store({{"servers", "ip[0]", kServerAddress},
               {"servers", "port[0]", QString::number(kServerPort)},
               {"servers", "desc[0]", QStringLiteral("Old")}});
    }

    // Starts the program, shows the window and waits for the servers the
    // profile lists.
    void startProgram(int storedServers = 0)
    {
        run.reset();
        run = std::make_unique<Start>(profile.path());
        window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
        ASSERT_TRUE(waitUntil([&] { return table().count() == storedServers; }));
    }

    MainWindow &window() const { return *run->window; }
    ServerTable &table() const { return run->fakes.table; }
    FakeMessageBoxes &messages() const { return run->fakes.platform.messages; }

    // The server answers with these players, and the user selects it.
    void selectServerWith(const QByteArray &players = {})
    {
        run->fakes.socket.deliver("\\hostname\\Frag Zone\\hostport\\7777\\numplayers\\1\\maxplayers\\16" + players
                                      + "\\final\\",
                                  kServerAddress, kServerPort);
        serverList(window())->clearSelection();
        serverList(window())->setCurrentIndex(table().index(0));
    }

    // Presses the key with the keyboard in the server list of the active window.
    void pressOnly(QKeyCombination key)
    {
        QApplication::setActiveWindow(&window());
        serverList(window())->setFocus();
        QTest::keyClick(serverList(window()), key.key(), key.keyboardModifiers());
    }

    // Presses the key; a dialog the command opens is closed again, and its
    // name is given.
    QString press(QKeyCombination key)
    {
        QApplication::setActiveWindow(&window());
        serverList(window())->setFocus();
        auto opened = std::make_shared<std::optional<QString>>();
        QTimer::singleShot(0, &window(), [opened] {
            QWidget *dialog = QApplication::activeModalWidget();
            *opened = dialog ? dialog->objectName() : QString();
            if (dialog)
                dialog->close();
        });
        QTest::keyClick(serverList(window()), key.key(), key.keyboardModifiers());
        EXPECT_TRUE(waitUntil([opened] { return opened->has_value(); }));
        return opened->value_or(QString());
    }

    // What shows that the row's command ran, judged against the state
    // before the key is pressed.
    std::function<bool(const QString &opened)> commandRan(int row)
    {
        const QString key = HotKeys::table().value(row).key;
        FakeMessageBoxes &boxes = messages();
        const auto grew = [](const QStringList &list, qsizetype before, const QString &start) {
            return list.size() > before && list.last().startsWith(start);
        };
        const auto dialog = [](const char *name) {
            return [name](const QString &opened) { return opened == QLatin1String(name); };
        };
        if (key == QLatin1String("About")) {
            return [&boxes, grew, n = boxes.informations.size()](const QString &) {
                return grew(boxes.informations, n, QStringLiteral("Quorvelin version"));
            };
        }
        if (key == QLatin1String("AddServer"))
            return dialog("frm_AddServers");
        if (key == QLatin1String("CheckForNewVersion")) {
            return [&boxes, grew, n = boxes.questions.size()](const QString &) {
                return grew(boxes.questions, n, QStringLiteral("Version 170 of Quorvelin is out."));
            };
        }
        if (key == QLatin1String("DeleteServer")) {
            return [&boxes, grew, n = boxes.questions.size()](const QString &) {
                return grew(boxes.questions, n, QStringLiteral("Are you sure you want to delete "));
            };
        }
        if (key == QLatin1String("Exit"))
            return [this](const QString &) { return !window().isVisible(); };
        if (key == QLatin1String("FindLANServers"))
            return dialog("frm_LANServers");
        if (key == QLatin1String("ImportFromINI")) {
            const QStringList &requests = run->fakes.platform.files.requests;
            return [&requests, grew, n = requests.size()](const QString &) {
                return grew(requests, n, QStringLiteral("Select UnrealTournament.ini|"));
            };
        }
        if (key == QLatin1String("JoinServer")) {
            return [&boxes, grew, n = boxes.errors.size()](const QString &) {
                return grew(boxes.errors, n, QStringLiteral("Could not find the Unreal Tournament executable."));
            };
        }
        if (key == QLatin1String("PorgramOptions"))
            return dialog("Tfrm_Settings");
        if (key == QLatin1String("MasterServer"))
            return dialog("frm_MasterServer");
        if (key == QLatin1String("ServerProperties"))
            return dialog("frm_ServerProperties");
        if (key == QLatin1String("UpdateAllServers") || key == QLatin1String("UpdateServerInfo")) {
            auto seen = std::make_shared<bool>(false);
            auto watch = std::make_shared<QObject>();
            if (key == QLatin1String("UpdateAllServers")) {
                QObject::connect(&poller(window()), &Poller::allServersUpdated, watch.get(), [seen] { *seen = true; });
            } else {
                QObject::connect(&poller(window()), &Poller::selectedQueried, watch.get(),
                                 [seen](Poller::Refresh kind, int) {
                                     if (kind == Poller::Refresh::UpdateServerInfo)
                                         *seen = true;
                                 });
            }
            return [seen, watch](const QString &) { return *seen; };
        }
        if (key == QLatin1String("UpdateServerName")) {
            // The list's own name again, so that the command has one to replace.
            const int slot = table().slotAt(0);
            table().setServerAddress(slot, kServerAddress, kServerPort, QStringLiteral("Old"));
            return [this, slot](const QString &) { return table().entry(slot)->Name == QStringLiteral("Frag Zone"); };
        }
        // The guide, the readme and the version history open in the browser.
        const QMap<QString, QString> files{{QStringLiteral("Help"), QStringLiteral("/help/index.html")},
                                           {QStringLiteral("Readme"), QStringLiteral("/readme.txt")},
                                           {QStringLiteral("VersionHistory"), QStringLiteral("/version.txt")}};
        EXPECT_TRUE(files.contains(key)) << qPrintable(key);
        const QStringList &urls = run->desktop.opened;
        return [&urls, n = urls.size(), file = files.value(key)](const QString &) {
            return urls.size() > n && urls.last().startsWith(QStringLiteral("file://")) && urls.last().endsWith(file);
        };
    }

    // Presses each row's key, in table order with Exit last, and checks that
    // its command ran.
    void expectEveryShortcutRunsItsCommand(const QList<QKeyCombination> &keys)
    {
        QList<int> order;
        for (int row = 0; row < keys.size(); ++row) {
            if (keys[row] != HotKeys::kNoKey && row != rowOf("Exit"))
                order.append(row);
        }
        if (keys.value(rowOf("Exit"), HotKeys::kNoKey) != HotKeys::kNoKey)
            order.append(rowOf("Exit"));
        messages().nextAnswer = false;
        for (const int row : order) {
            const auto ran = commandRan(row);
            const QString opened = press(keys[row]);
            EXPECT_TRUE(waitUntil([&] { return ran(opened); })) << qPrintable(HotKeys::table()[row].caption) << " with "
                                                                << qPrintable(QKeySequence(keys[row]).toString());
        }
    }

    // "Program options" by its shortcut; null when no dialog opened.
    SettingsDialog *openSettings()
    {
        pressOnly(QKeyCombination(Qt::ControlModifier, Qt::Key_O));
        SettingsDialog *dialog = window().findChild<SettingsDialog *>();
        if (!dialog || !QTest::qWaitForWindowExposed(dialog))
            return nullptr;
        QApplication::setActiveWindow(dialog);
        return dialog;
    }

    // The port the LAN search listens on, one above the program's own.
    quint16 lanSearchPort()
    {
        quint16 port = 0;
        QTimer::singleShot(0, &window(), [&] {
            if (FakeDatagramSocket *findLan = run->sockets.recent(1))
                port = findLan->localPort();
            if (QWidget *search = QApplication::activeModalWidget())
                search->close();
        });
        trigger(window(), "mi_FindLANServers");
        return port;
    }

    static void clickTreeItem(QTreeWidget *tree, QTreeWidgetItem *item)
    {
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }

    static void showPage(SettingsDialog &dialog, const QString &name)
    {
        auto *tree = child<QTreeWidget>(&dialog, "tv_Pages");
        const QList<QTreeWidgetItem *> found = tree->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << qPrintable(name);
        clickTreeItem(tree, found.first());
        ASSERT_TRUE(found.first()->isSelected());
    }

    // Selects the row, captures the key in the hot key box and sets it.
    static void setHotKey(SettingsDialog &dialog, int row, QKeyCombination key)
    {
        auto *list = child<QTreeWidget>(&dialog, "lv_HotKeys");
        clickTreeItem(list, list->topLevelItem(row));
        auto *capture = child<QWidget>(&dialog, "hk_HotKey");
        QTest::mouseClick(capture, Qt::LeftButton);
        QTest::keyClick(capture, key.key(), key.keyboardModifiers());
        QTest::mouseClick(child<QPushButton>(&dialog, "btn_SetHotKey"), Qt::LeftButton);
    }

    static void typeInto(QSpinBox *box, const QString &text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    // A click on the box itself: a wide check box takes clicks only there and on its text.
    static void clickCheckBox(QCheckBox *box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
    }

    static void clickOk(SettingsDialog &dialog)
    {
        QTest::mouseClick(child<QPushButton>(&dialog, "btn_OK"), Qt::LeftButton);
    }

    QTemporaryDir profile;
    SimulatedVersionService versions;
    std::unique_ptr<Start> run;
};

TEST_F(SettingsJourneyTest, EveryShortcutRunsItsCommandBeforeAndAfterOkAndAfterARestart)
{
    storeServer();
    startProgram(1);
    selectServerWith();

    QList<QKeyCombination> keys;
    for (const HotKeys::Row &row : HotKeys::table())
        keys.append(row.builtIn);
    expectEveryShortcutRunsItsCommand(keys);

    // The four commands without a key get one; OK keeps the others as they are.
    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Hot Keys"));
    const QList<std::pair<const char *, QKeyCombination>> given{
        {"CheckForNewVersion", QKeyCombination(Qt::ControlModifier, Qt::Key_K)},
        {"Exit", QKeyCombination(Qt::ControlModifier, Qt::Key_Q)},
        {"JoinServer", QKeyCombination(Qt::ControlModifier, Qt::Key_J)},
        {"UpdateServerName", QKeyCombination(Qt::ControlModifier, Qt::Key_U)},
    };
    for (const auto &[row, key] : given) {
        setHotKey(dialog, rowOf(row), key);
        keys[rowOf(row)] = key;
    }
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_TRUE(messages().errors.isEmpty()) << qPrintable(messages().errors.join(QLatin1Char('\n')));

    // The "Server" menu and the server list's context menu both show the key
    // of the commands they share.
    const QList<std::pair<const char *, QKeySequence>> shared{
        {"mi_Addserver1", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"mi_JoinServer", QKeySequence(Qt::CTRL | Qt::Key_J)},
        {"mi_Serverproperties1", QKeySequence(Qt::ALT | Qt::Key_Return)},
    };
    for (const auto &[name, shortcut] : shared) {
        auto *action = window().findChild<QAction *>(QLatin1String(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), shortcut) << name;
        EXPECT_TRUE(serverList(window())->actions().contains(action)) << name;
        const QList<QObject *> shownIn = action->associatedObjects();
        EXPECT_TRUE(std::any_of(shownIn.cbegin(), shownIn.cend(), [](QObject *object) {
            return qobject_cast<QMenu *>(object) != nullptr;
        })) << name;
    }

    expectEveryShortcutRunsItsCommand(keys);
    ASSERT_FALSE(window().isVisible()) << "Exit closed the window";

    startProgram(1);
    selectServerWith();
    expectEveryShortcutRunsItsCommand(keys);
}

TEST_F(SettingsJourneyTest, SpeechSwitchedOnInTheDialogAnnouncesABuddyWithTheChosenVoice)
{
    storeServer();
    store({{"nicknames", "buddies", QStringLiteral("alice")}});
    startProgram(1);
    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Sound"));
    auto *speech = child<QCheckBox>(&dialog, "cb_ComputerVoice");
    ASSERT_FALSE(speech->isChecked()) << "no voice chosen yet: no speech";
    clickCheckBox(speech);
    ASSERT_TRUE(speech->isChecked());
    auto *voices = child<QComboBox>(&dialog, "cb_Voices");
    voices->setFocus();
    QTest::keyClicks(voices, QStringLiteral("slt"));
    ASSERT_EQ(voices->currentText(), QStringLiteral("slt"));
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));

    selectServerWith("\\player_0\\Alice");
    const QStringList &spoken = run->desktop.spoken;
    const qsizetype said = spoken.indexOf(QStringLiteral("alice joined the server"));
    ASSERT_GE(said, 0) << qPrintable(spoken.join(QLatin1Char('|')) + QLatin1Char('\n')
                                     + messages().errors.join(QLatin1Char('\n')));
    EXPECT_EQ(run->desktop.spokenWith.value(said), QStringLiteral("slt"));
    EXPECT_TRUE(messages().errors.isEmpty()) << qPrintable(messages().errors.join(QLatin1Char('\n')));
}

TEST_F(SettingsJourneyTest, SpeechTurnedBackOnSpeaksWithItsVoiceAndAnUnlistedVoiceIsKept)
{
    storeServer();
    store({{"nicknames", "buddies", QStringLiteral("alice")},
           {"general", "ComputerVoice", QStringLiteral("kal")},
           {"general", "ComputerVoiceActive", QStringLiteral("0")}});
    startProgram(1);
    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Sound"));
    EXPECT_EQ(child<QComboBox>(&dialog, "cb_Voices")->currentText(), QStringLiteral("kal"));
    auto *speech = child<QCheckBox>(&dialog, "cb_ComputerVoice");
    clickCheckBox(speech);
    ASSERT_TRUE(speech->isChecked());
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    selectServerWith("\\player_0\\alice");
    const qsizetype said = run->desktop.spoken.indexOf(QStringLiteral("alice joined the server"));
    ASSERT_GE(said, 0) << qPrintable(messages().errors.join(QLatin1Char('\n')));
    EXPECT_EQ(run->desktop.spokenWith.value(said), QStringLiteral("kal"));

    // A voice of another machine's engine survives an OK here.
    store({{"general", "ComputerVoice", QStringLiteral("Microsoft Mary")}});
    startProgram(1);
    SettingsDialog *unchanged = openSettings();
    ASSERT_NE(unchanged, nullptr);
    clickOk(*unchanged);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_EQ(run->config.read().readString(QStringLiteral("general"), QStringLiteral("ComputerVoice")),
              QStringLiteral("Microsoft Mary"));
}

TEST_F(SettingsJourneyTest, AnOkThatCannotBeSavedKeepsTheDialogUntilTheUserChooses)
{
    // A directory where the configuration file should be: nothing can be written.
    ASSERT_TRUE(QFile::remove(profile.filePath(QStringLiteral("Quorvelin.ini"))));
    ASSERT_TRUE(QDir(profile.path()).mkdir(QStringLiteral("Quorvelin.ini")));
    startProgram();
    const quint32 sleepTime = run->fakes.engine.sleepTime();
    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    typeInto(child<QSpinBox>(&dialog, "se_SleepTime"), QStringLiteral("75"));
    messages().nextAnswer = false;
    clickOk(dialog);
    EXPECT_FALSE(messages().errors.isEmpty()) << "the file tells why";
    ASSERT_EQ(messages().questions.size(), 1);
    EXPECT_TRUE(messages().questions.first().startsWith(QStringLiteral("The settings could not be saved")))
        << qPrintable(messages().questions.first());
    EXPECT_TRUE(dialog.isVisible()) << "back to the settings";
    EXPECT_EQ(child<QSpinBox>(&dialog, "se_SleepTime")->value(), 75);
    EXPECT_EQ(run->fakes.engine.sleepTime(), sleepTime) << "nothing applied";

    // The user takes them for this session.
    messages().nextAnswer = true;
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_EQ(run->fakes.engine.sleepTime(), 75u);
}

TEST_F(SettingsJourneyTest, TheSettingsShowTheVersionTheLastCheckFound)
{
    SimulatedVersionConfig older;
    older.version = "160";
    versions.setConfig(older);
    startProgram();
    window().findChild<QAction *>(QStringLiteral("mi_CheckForNewVersion"))->trigger();
    ASSERT_TRUE(waitUntil([&] { return !messages().informations.isEmpty(); }));

    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Miscelaneous"));
    EXPECT_EQ(child<QLabel>(&dialog, "lbl_LastVersionChecked")->text(), QStringLiteral("160"));
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    window().close();
    EXPECT_EQ(run->config.read().readInteger(QStringLiteral("general"), QStringLiteral("LastVersionChecked"), 0), 160);
}

TEST_F(SettingsJourneyTest, APortChangeSurvivesAnotherOkBeforeTheRestart)
{
    startProgram();
    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    typeInto(child<QSpinBox>(&dialog, "se_LocalPort"), QStringLiteral("65100"));
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    const QStringList restart{
        QStringLiteral("You have to restart the program for the local port changes to take effect.")};
    EXPECT_EQ(messages().warnings, restart);

    SettingsDialog *reopened = openSettings();
    ASSERT_NE(reopened, nullptr);
    SettingsDialog &again = *reopened;
    EXPECT_EQ(child<QSpinBox>(&again, "se_LocalPort")->value(), 65100);
    clickOk(again);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_EQ(run->config.read().readInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 0), 65100);
    EXPECT_EQ(lanSearchPort(), 65001) << "the running port stays";
    EXPECT_EQ(messages().warnings, restart) << "nothing changed the second time";
}

TEST_F(SettingsJourneyTest, AKeyTwoCommandsWouldShareStaysWithOne)
{
    // A file that gives About the key of "Find LAN servers".
    store({{"HotKeys", "About", QStringLiteral("16454")}});
    startProgram();
    const qsizetype boxes = messages().informations.size();
    EXPECT_TRUE(press(QKeyCombination(Qt::ControlModifier, Qt::Key_F)).isEmpty()) << "no search dialog";
    ASSERT_TRUE(waitUntil([&] { return messages().informations.size() == boxes + 1; }));

    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Hot Keys"));
    auto *list = child<QTreeWidget>(&dialog, "lv_HotKeys");
    EXPECT_EQ(list->topLevelItem(rowOf("About"))->text(1), QStringLiteral("Ctrl+F"));
    EXPECT_EQ(list->topLevelItem(rowOf("FindLANServers"))->text(1), QString());

    // Giving Help the key of "Add server" is refused with a message.
    setHotKey(dialog, rowOf("Help"), QKeyCombination(Qt::ControlModifier, Qt::Key_A));
    ASSERT_EQ(messages().warnings.size(), 1);
    EXPECT_TRUE(messages().warnings.first().contains(QStringLiteral("\"Add server\"")))
        << qPrintable(messages().warnings.first());
    EXPECT_EQ(list->topLevelItem(rowOf("Help"))->text(1), QStringLiteral("F1"));
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_EQ(press(QKeyCombination(Qt::ControlModifier, Qt::Key_A)), QStringLiteral("frm_AddServers"));
}

TEST_F(SettingsJourneyTest, AShorterHistoryForgetsABuddySeenBeforeItOnTheNextReply)
{
    storeServer();
    store({{"nicknames", "buddies", QStringLiteral("alice")}});
    // An earlier run saw alice on the server ten days ago.
    const QString historyPath = HistoryStore::filePath(profile.path());
    const qint64 tenDaysAgo = QDateTime::currentSecsSinceEpoch() - 10 * HistoryStore::kDay;
    {
        HistoryStore earlier;
        ASSERT_TRUE(earlier.open(historyPath));
        const HistoryServer server{kServerAddress, kServerPort};
        earlier.beginWalk();
        earlier.addSample(server, QStringLiteral("Frag Zone"),
                          HistorySample{tenDaysAgo, 1, 16, QStringLiteral("DM-Deck16][")});
        earlier.addPlayers(server, QStringLiteral("Frag Zone"), {QStringLiteral("alice")}, tenDaysAgo);
        ASSERT_TRUE(earlier.commitWalk(tenDaysAgo));
    }
    const auto aliceLine = [this] {
        QListWidget *list = pages(window())->buddiesPage()->list();
        return list->count() == 1 ? list->item(0)->text() : QString();
    };
    startProgram(1);
    EXPECT_TRUE(aliceLine().startsWith(QStringLiteral("alice (last seen "))) << aliceLine().toStdString();
    EXPECT_TRUE(aliceLine().endsWith(QStringLiteral(" on Frag Zone)"))) << aliceLine().toStdString();

    SettingsDialog *opened = openSettings();
    ASSERT_NE(opened, nullptr);
    SettingsDialog &dialog = *opened;
    showPage(dialog, QStringLiteral("Miscelaneous"));
    auto *days = child<QSpinBox>(&dialog, "se_HistoryDays");
    EXPECT_EQ(days->value(), 30);
    EXPECT_EQ(days->accessibleName(), QStringLiteral("Days of server history to keep"));
    typeInto(days, QStringLiteral("7"));
    clickOk(dialog);
    ASSERT_TRUE(waitUntil([&] { return window().findChild<SettingsDialog *>() == nullptr; }));
    EXPECT_EQ(run->config.read().readInteger(QStringLiteral("history"), QStringLiteral("HistoryDays"), 0), 7);

    // The server's next reply is written with the shorter history: the
    // sighting older than a week goes.
    selectServerWith();
    RawConnection raw(historyPath);
    ASSERT_TRUE(waitUntil([&] { return raw.count(QStringLiteral("sightings")) == 0; }, 10000));
    EXPECT_TRUE(messages().warnings.isEmpty());

    startProgram(1);
    EXPECT_EQ(aliceLine(), QStringLiteral("alice"));
}

} // namespace
