// The settings dialog's OK path, the stored shortcuts and the HTML pages,
// through the window with fake desktop services and a throwaway profile.
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/IniFile.h"
#include "launch/dialogs/SettingsDialog.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/WindowContext.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class UpkeepCommandsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    void open()
    {
        window.reset();
        // The settings as a start would read them from the profile.
        const Settings settings = Configuration::loadConfiguration(config.read(), profile.path() + QLatin1Char('/'));
        window =
            std::make_unique<MainWindow>(windowContext(*this, config, settings, profile.path(), desktop.services()));
    }

    SettingsDialog &openSettings()
    {
        trigger(*window, "mi_Programoptions1");
        auto *dialog = window->findChild<SettingsDialog *>();
        EXPECT_TRUE(dialog && dialog->isVisible());
        return *dialog;
    }

    template<typename T>
    T *control(SettingsDialog &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }

    QKeySequence shortcutOf(const char *name) const
    {
        return window->findChild<QAction *>(QLatin1String(name))->shortcut();
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    FakeDesktop desktop;
    std::unique_ptr<MainWindow> window;
};

TEST_F(UpkeepCommandsTest, OkUnchangedWritesEveryKeyAndTheBuiltInShortcutCodes)
{
    open();
    openSettings().accept();
    const IniFile ini = config.read();
    const QList<std::pair<const char *, int>> codes{{"About", 123},
                                                    {"AddServer", 16449},
                                                    {"DeleteServer", 46},
                                                    {"ServerProperties", 32781},
                                                    {"UpdateAllServers", 8308},
                                                    {"UpdateServerInfo", 116},
                                                    {"JoinServer", 0}};
    for (const auto &[key, code] : codes)
        EXPECT_EQ(ini.readInteger(QStringLiteral("HotKeys"), QLatin1String(key), -1), code) << key;
    for (const char *key :
         {"UTBaseDir", "LocalPort", "ServerTimeOut", "MinBarWidth", "BuddySound", "ComputerVoice",
          "ComputerVoiceActive", "SleepTime", "CheckVersionAtStartUp", "TitleBarFormat", "BuddySpeechFormat",
          "loadcolor_50-", "DefaultFontSize", "paint_Frame_Graph", "CloseOnJoin"})
        EXPECT_TRUE(ini.hasKey(QStringLiteral("general"), QLatin1String(key))) << key;
    for (const char *key : {"template", "output", "outputdir", "command", "enabled", "interval"})
        EXPECT_TRUE(ini.hasKey(QStringLiteral("HTML"), QLatin1String(key))) << key;
    EXPECT_TRUE(ini.hasKey(QStringLiteral("locations"), QStringLiteral("ngWorldStats")));
    EXPECT_TRUE(platform.messages.warnings.isEmpty()) << "no port warning";
}

TEST_F(UpkeepCommandsTest, EditedSettingsTakeEffectAtOnceAndSurviveARestart)
{
    open();
    SettingsDialog &dialog = openSettings();
    control<QSpinBox>(dialog, "se_LocalPort")->setValue(65100);
    control<QSpinBox>(dialog, "se_SleepTime")->setValue(75);
    control<QCheckBox>(dialog, "cb_HtmlEnabled")->setChecked(true);
    control<QSpinBox>(dialog, "se_HtmlInterval")->setValue(2);
    // Help loses its shortcut.
    auto *keys = control<QTreeWidget>(dialog, "lv_HotKeys");
    keys->setCurrentItem(keys->topLevelItem(6));
    QTest::keyClick(control<QWidget>(dialog, "hk_HotKey"), Qt::Key_Backspace);
    control<QPushButton>(dialog, "btn_SetHotKey")->click();
    dialog.accept();

    EXPECT_EQ(
        platform.messages.warnings,
        QStringList{QStringLiteral("You have to restart the program for the local port changes to take effect.")});
    EXPECT_EQ(engine.sleepTime(), 75u);
    auto *generate = part<QTimer>(*window, "tmr_GenerateHTML");
    EXPECT_TRUE(generate->isActive());
    EXPECT_EQ(generate->interval(), 120000);
    EXPECT_TRUE(shortcutOf("mi_Help2").isEmpty());
    EXPECT_EQ(shortcutOf("mi_About"), QKeySequence(Qt::Key_F12));

    open();
    EXPECT_TRUE(shortcutOf("mi_Help2").isEmpty()) << "the stored code 0 is applied at start";
    EXPECT_EQ(config.read().readInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 0), 65100);
    // The list shows the command's table text again, and OK gives F1 back.
    SettingsDialog &again = openSettings();
    EXPECT_EQ(control<QTreeWidget>(again, "lv_HotKeys")->topLevelItem(6)->text(1), QStringLiteral("F1"));
    again.accept();
    EXPECT_EQ(shortcutOf("mi_Help2"), QKeySequence(Qt::Key_F1));
}

TEST_F(UpkeepCommandsTest, AboutShowsTheReleaseAndTheBuildsVersion)
{
    const QString build = QStringLiteral("Quorvelin 1.66 (release 166, revision 0123456789ab)");
    QCoreApplication::setApplicationVersion(build);
    open();
    trigger(*window, "mi_About");
    QCoreApplication::setApplicationVersion(QString());
    ASSERT_EQ(platform.messages.informations.size(), 1);
    const QStringList about = platform.messages.informations.first().split(QLatin1Char('\n'));
    ASSERT_GE(about.size(), 2);
    EXPECT_EQ(about[0], QStringLiteral("Quorvelin version 166"));
    EXPECT_EQ(about[1], build);
}

TEST_F(UpkeepCommandsTest, CreateHtmlPageWritesTheSelectedServersPageAndRunsTheCommand)
{
    QFile templateFile(profile.filePath(QStringLiteral("t.html")));
    ASSERT_TRUE(templateFile.open(QIODevice::WriteOnly));
    templateFile.write("<p><%server_name%> <%server_address%></p>\n");
    templateFile.close();
    Settings settings;
    settings.HtmlTemplate = templateFile.fileName();
    settings.HtmlOutputDir = profile.path() + QLatin1Char('/');
    settings.HtmlCommand = QStringLiteral("%outputdir");
    window = std::make_unique<MainWindow>(windowContext(*this, config, settings, profile.path(), desktop.services()));
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Frag Zone"));
    socket.deliver("\\hostname\\Frag <Zone>\\hostport\\7777\\numplayers\\0\\final\\", QStringLiteral("127.0.0.1"),
                   7778);
    serverList(*window)->setCurrentIndex(table.index(0));
    trigger(*window, "mi_CreateHTMLPage");

    QFile page(profile.filePath(QStringLiteral("127.0.0.1-7777.html")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_EQ(page.readAll(), "<p>Frag &lt;Zone&gt; 127.0.0.1:7777</p>\r\n");
    EXPECT_EQ(desktop.opened, QStringList{QUrl::fromLocalFile(profile.path() + QLatin1Char('/')).toString()});
}

} // namespace
