// What the window keeps in Quorvelin.ini survives a restart.
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/IniFile.h"
#include "core/Poller.h"
#include "launch/dialogs/SettingsDialog.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/FakeEngineStack.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// One run of the program on a profile directory.
struct Session : FakeEngineStack
{
    explicit Session(const QString &profile, QList<ServerAddress> start = {})
        : config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), platform.messages)
    {
        window = std::make_unique<MainWindow>(
            MainWindow::Context{stack, platform.messages, platform.files, config,
                                Configuration::loadConfiguration(config.read(), profile), profile});
        window->setStartServers(start);
        window->show();
        waitUntil([this] { return poller(*window).playerScanTimer().isActive(); });
        buddies = part<QListWidget>(*window, "lb_Buddies");
    }

    // Typed into the Buddies page and added with Enter.
    void addBuddy(const QString &name)
    {
        auto *edit = part<QLineEdit>(*window, "ed_NewBuddy");
        edit->setText(name);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void removeFirstBuddy()
    {
        buddies->setCurrentRow(0);
        part<QPushButton>(*window, "btn_RemoveBuddies")->click();
    }

    QStringList checkedNames() const
    {
        QStringList result;
        for (int k = 0; k < table.count(); ++k) {
            if (table.isChecked(k))
                result.append(table.entry(table.slotAt(k))->Name);
        }
        result.sort();
        return result;
    }

    QStringList names() const
    {
        QStringList result;
        for (int k = 0; k < table.count(); ++k)
            result.append(table.entry(table.slotAt(k))->Name);
        return result;
    }

    ConfigFile config;
    std::unique_ptr<MainWindow> window;
    QListWidget *buddies = nullptr;
};

class PersistenceTest : public ::testing::Test
{
protected:
    QString iniPath() const { return profile.filePath(QStringLiteral("Quorvelin.ini")); }
    void writeIni(const QByteArray &bytes) const { writeFile(iniPath(), bytes); }
    // The game's own configuration file with these favourites; its path.
    QString writeGameIni(const QByteArray &favorites) const
    {
        const QString path = profile.filePath(QStringLiteral("UnrealTournament.ini"));
        writeFile(path, "[UBrowser.UBrowserFavoritesFact]\r\n" + favorites);
        return path;
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readIni() const
    {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir profile;
};

TEST_F(PersistenceTest, ServersChecksAndSlidersSurviveARestart)
{
    writeIni("[General]\nRememberServerCheck=1\nMyNote=keep\n[Extra]\nfoo=bar\n");
    {
        Session first(profile.path(), {{QStringLiteral("127.0.0.2"), 7778}, {QStringLiteral("127.0.0.1"), 7790}});
        EXPECT_EQ(first.socket.sent.size(), 8);
        first.table.setChecked(0, false);
        first.window->findChild<QSlider *>(QStringLiteral("tb_ServerListDelay"))->setValue(25);
        first.window->findChild<QCheckBox *>(QStringLiteral("cb_PlayerInfoUpdate"))->setChecked(true);
        first.window->close();
    }
    const QByteArray ini = readIni();
    EXPECT_TRUE(ini.contains("MyNote=keep"));
    EXPECT_TRUE(ini.contains("[Extra]\nfoo=bar"));

    Session second(profile.path());
    // Sorted by name, as the list is stored and shown.
    EXPECT_EQ(second.names(), (QStringList{QStringLiteral("127.0.0.1:7790"), QStringLiteral("127.0.0.2:7778")}));
    EXPECT_FALSE(second.table.isChecked(0));
    EXPECT_TRUE(second.table.isChecked(1));
    EXPECT_EQ(poller(*second.window).playerScanTimer().interval(), 25000);
    EXPECT_TRUE(poller(*second.window).playerInfoTimer().isActive());
    EXPECT_EQ(second.socket.sent.size(), 8);
    second.window->close();
}

TEST_F(PersistenceTest, CheckMarksStayOnTheirServersAcrossRestartsInEverySortOrder)
{
    const QStringList marked{QStringLiteral("Charlie"), QStringLiteral("bravo")};
    for (int mode = 0; mode < ServerTable::SortModeCount; ++mode) {
        // A section in an order no sort gives, as a hand or another program left it.
        writeIni(QStringLiteral(
                     "[general]\nRememberServerCheck=1\nSleepTime=0\nserverListSort=%1\n[servers]\n"
                     "ip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=Delta\nip[1]=10.0.0.2\nport[1]=7778\ndesc[1]=alpha\n"
                     "ip[2]=10.0.0.3\nport[2]=7778\ndesc[2]=Charlie\nip[3]=10.0.0.4\nport[3]=7778\ndesc[3]=bravo\n")
                     .arg(mode)
                     .toLatin1());
        {
            Session first(profile.path());
            for (int k = 0; k < first.table.count(); ++k)
                first.table.setChecked(k, marked.contains(first.table.entry(first.table.slotAt(k))->Name));
            first.window->close();
        }
        for (int restart = 0; restart < 5; ++restart) {
            // A server named on the command line rewrites the stored list on the second start.
            QList<ServerAddress> start;
            if (restart == 1)
                start.append({QStringLiteral("10.0.0.9"), 7778});
            Session next(profile.path(), start);
            if (restart != 1)
                EXPECT_EQ(next.checkedNames(), marked) << "sort mode " << mode << ", restart " << restart;
            else
                next.table.setChecked(
                    next.table.positionOfSlot(next.table.slotOfServer(QStringLiteral("10.0.0.9"), 7778)), false);
            // The user picks another order before closing.
            next.table.setSortMode((mode + restart) % ServerTable::SortModeCount);
            next.window->close();
        }
    }
}

TEST_F(PersistenceTest, AnEndDuringStartUpKeepsTheStoredCheckMarks)
{
    writeIni("[general]\nRememberServerCheck=1\nSleepTime=3600000\nServerListChecks=1,\n[servers]\n"
             "ip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=A\nip[1]=10.0.0.2\nport[1]=7778\ndesc[1]=B\n");
    {
        FakeEngineStack stack;
        ConfigFile config(iniPath(), stack.platform.messages);
        MainWindow window({stack.stack, stack.platform.messages, stack.platform.files, config,
                           Configuration::loadConfiguration(config.read(), profile.path()), profile.path()});
        window.show();
        // Closed while the start-up queries still wait.
        ASSERT_TRUE(waitUntil([&] { return stack.socket.sent.size() == 4; }));
        window.close();
    }
    EXPECT_TRUE(readIni().contains("ServerListChecks=1,\n"));
}

TEST_F(PersistenceTest, ChecksTickedAfterTheOptionIsTurnedOnSurviveARestart)
{
    writeIni("[general]\nSleepTime=0\n[servers]\nip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=Alpha\nip[1]=10.0.0.2\n"
             "port[1]=7778\ndesc[1]=Beta\nip[2]=10.0.0.3\nport[2]=7778\ndesc[2]=Gamma\n");
    {
        Session first(profile.path());
        ServerListView *list = serverList(*first.window);
        // Program options (Ctrl+O), "Miscelaneous", "Remember server list checks", OK.
        QApplication::setActiveWindow(first.window.get());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_O, Qt::ControlModifier);
        auto *dialog = qobject_cast<SettingsDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *pages = dialog->findChild<QTreeWidget *>(QStringLiteral("tv_Pages"));
        const QList<QTreeWidgetItem *> misc = pages->findItems(QStringLiteral("Miscelaneous"), Qt::MatchExactly);
        ASSERT_EQ(misc.size(), 1);
        QTest::mouseClick(pages->viewport(), Qt::LeftButton, {}, pages->visualItemRect(misc[0]).center());
        auto *remember = dialog->findChild<QCheckBox *>(QStringLiteral("cb_RememberChecks"));
        ASSERT_TRUE(remember->isVisible());
        ASSERT_FALSE(remember->isChecked());
        const QPoint box(remember->iconSize().width() / 2 + 2, remember->height() / 2);
        QTest::mouseClick(remember, Qt::LeftButton, {}, box);
        ASSERT_TRUE(remember->isChecked());
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btn_OK")), Qt::LeftButton);
        ASSERT_TRUE(Configuration::loadConfiguration(first.config.read(), QString()).RememberServerCheck);

        // Alpha's box clicked, Gamma ticked from the keyboard.
        const int alpha = list->visualRect(first.table.index(0)).center().y();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, alpha));
        QApplication::setActiveWindow(first.window.get());
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Space);
        ASSERT_EQ(first.checkedNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
        first.window->close();
    }
    Session second(profile.path());
    EXPECT_EQ(second.checkedNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Gamma")}));
    second.window->close();
}

TEST_F(PersistenceTest, ChecksAreForgottenWhenNotRemembered)
{
    {
        Session first(profile.path(), {{QStringLiteral("127.0.0.1"), 7778}});
        first.window->close();
    }
    EXPECT_TRUE(readIni().contains("ServerListChecks=\n"));
    Session second(profile.path());
    ASSERT_EQ(second.table.count(), 1);
    EXPECT_FALSE(second.table.isChecked(0));
    second.window->close();
}

TEST_F(PersistenceTest, DeleteRewritesTheStoredList)
{
    writeIni("[servers]\nip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=Alpha\nip[1]=10.0.0.2\nport[1]=7778\ndesc[1]=Beta\n"
             "ip[2]=10.0.0.3\nport[2]=7778\ndesc[2]=Gamma\n");
    Session session(profile.path());
    serverList(*session.window)->setCurrentIndex(session.table.index(1));
    session.platform.messages.nextAnswer = true;
    trigger(*session.window, "mi_Deleteserver");
    IniFile ini(iniPath());
    ini.load();
    EXPECT_EQ(ini.readString(QStringLiteral("servers"), QStringLiteral("desc[1]")), QStringLiteral("Gamma"));
    EXPECT_FALSE(ini.hasKey(QStringLiteral("servers"), QStringLiteral("ip[2]")));
    session.window->close();
}

TEST_F(PersistenceTest, UpdateServerNameTakesTheReportedNameAndStoresIt)
{
    Session session(profile.path(), {{QStringLiteral("127.0.0.1"), 7778}});
    session.table.server(session.table.slotAt(0))->HostName = "Frag\nZone \x01 DM";
    serverList(*session.window)->setCurrentIndex(session.table.index(0));
    trigger(*session.window, "mi_UpdateName");
    EXPECT_EQ(session.names(), QStringList{QStringLiteral("Frag Zone   DM")});
    EXPECT_TRUE(readIni().contains("desc[0]=Frag Zone   DM"));

    // Named as the server info view shows it, not byte by byte.
    session.table.server(session.table.slotAt(0))->HostName = "Caf\xc3\xa9 Gr\xc3\xb6\xc3\x9f"
                                                              "e";
    trigger(*session.window, "mi_UpdateName");
    EXPECT_EQ(session.names(), QStringList{QStringLiteral("Caf\u00e9 Gr\u00f6\u00dfe")});
    EXPECT_TRUE(readIni().contains("desc[0]=Caf\xc3\xa9 Gr\xc3\xb6\xc3\x9f"
                                   "e"));
    EXPECT_TRUE(session.window->windowTitle().startsWith(QStringLiteral("Quorvelin - [Caf\u00e9 Gr\u00f6\u00dfe] - ")));
    session.window->close();
}

TEST_F(PersistenceTest, BuddiesAreStoredAtEveryChange)
{
    Session session(profile.path());
    session.addBuddy(QStringLiteral("say \"hi\""));
    session.addBuddy(QStringLiteral("J\u00f6rg K"));
    session.addBuddy(QStringLiteral("j\u00d6RG k"));
    // A pasted line break cannot go into the file as it stands.
    session.addBuddy(QStringLiteral("bad\nname"));
    EXPECT_EQ(session.platform.messages.warnings.size(), 1);
    EXPECT_EQ(session.buddies->count(), 2);
    Settings back = Configuration::loadConfiguration(session.config.read(), QString());
    EXPECT_EQ(back.Buddies, (QStringList{QStringLiteral("J\u00f6rg K"), QStringLiteral("say \"hi\"")}));

    session.removeFirstBuddy();
    session.removeFirstBuddy();
    EXPECT_EQ(session.buddies->count(), 0);
    EXPECT_TRUE(readIni().contains("buddies=\n"));
    session.window->close();
}

TEST_F(PersistenceTest, ImportsFavoritesOnceAndReports)
{
    const QString gameIni = writeGameIni("FavoriteCount=2\r\nFavorites[0]=Clan Base\\10.0.0.1\\7778\\False\r\n"
                                         "Favorites[1]=Pub\\10.0.0.2\\7778\\False\r\n");
    Session session(profile.path());
    session.platform.files.nextFile = gameIni;
    trigger(*session.window, "mi_ImportFromIni");
    trigger(*session.window, "mi_ImportFromIni");
    ASSERT_TRUE(waitUntil([&] { return session.platform.messages.informations.size() == 2; }));
    // Each new server is asked once, after the start-up queries.
    EXPECT_EQ(session.socket.sent.size(), 8);
    EXPECT_EQ(session.names(), (QStringList{QStringLiteral("Clan Base"), QStringLiteral("Pub")}));
    EXPECT_EQ(
        session.platform.messages.informations,
        QStringList(2, QStringLiteral("Found 2 favorites in the ini file.\nOnly added when not already in the list.")));
    EXPECT_TRUE(session.platform.files.requests.first().startsWith(QStringLiteral("Select UnrealTournament.ini|")));
    EXPECT_TRUE(readIni().contains("desc[1]=Pub"));

    session.platform.files.nextFile = iniPath();
    trigger(*session.window, "mi_ImportFromIni");
    EXPECT_EQ(session.platform.messages.errors, QStringList{QStringLiteral("No favorites found.")});

    session.platform.files.nextFile.clear();
    trigger(*session.window, "mi_ImportFromIni");
    EXPECT_EQ(session.platform.messages.errors.size(), 1);
    session.window->close();
}

TEST_F(PersistenceTest, ImportStopsAtAFullTable)
{
    QByteArray ini = "[general]\nSleepTime=0\n[servers]\n";
    for (int k = 0; k < 255; ++k)
        ini += QStringLiteral("ip[%1]=10.1.%2.%3\nport[%1]=7778\ndesc[%1]=S%1\n")
                   .arg(k)
                   .arg(k / 200)
                   .arg(k % 200)
                   .toLatin1();
    writeIni(ini);
    const QString gameIni = writeGameIni("FavoriteCount=3\nFavorites[0]=A\\10.0.0.1\\7778\\\n"
                                         "Favorites[1]=B\\10.0.0.2\\7778\\\nFavorites[2]=C\\10.0.0.3\\7778\\\n");
    Session session(profile.path());
    ASSERT_EQ(session.table.count(), 255);
    session.platform.files.nextFile = gameIni;
    trigger(*session.window, "mi_ImportFromIni");
    EXPECT_EQ(session.table.count(), ServerTable::kSlotCount);
    session.window->close();
}

} // namespace
