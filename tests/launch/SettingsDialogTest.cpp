#include "config/HotKeys.h"
#include "launch/dialogs/SettingsDialog.h"
#include "launch/dialogs/settings/GeneralSettingsPage.h"
#include "launch/dialogs/SettingsHints.h"
#include "platform/QtFileDialogs.h"
#include "support/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
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

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

QList<int> builtInCodes()
{
    QList<int> codes;
    for (const HotKeys::Row &row : HotKeys::table())
        codes.append(HotKeys::codeOf(row.builtIn));
    return codes;
}

// Shows the page in the page list and clicks the button on it, as a user does.
void clickOnPage(const QWidget *dialog, const char *page, const char *button)
{
    auto *tree = child<QTreeWidget>(dialog, "tv_Pages");
    const QList<QTreeWidgetItem *> found = tree->findItems(QString::fromLatin1(page), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << page;
    tree->setCurrentItem(found.first());
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

int rowOf(const QString &key)
{
    const QList<HotKeys::Row> &table = HotKeys::table();
    for (qsizetype i = 0; i < table.size(); ++i) {
        if (table[i].key == key)
            return int(i);
    }
    return -1;
}

SettingsDialog::Values someValues()
{
    SettingsDialog::Values values;
    Settings &s = values.settings;
    s.LocalPort = 64000;
    s.MinBarWidth = 150; // more digits than the box lets one type
    s.ComputerVoice = QStringLiteral("slt");
    s.LoadColorHalf = 0x123456;
    s.PaintFrameTeam = true;
    s.PaintThickTeam = true;
    s.Paint3DFrameGraph = true; // kept although its frame box is off
    s.HtmlOutputDir = QStringLiteral("/tmp/pages/");
    s.HtmlInterval = 5 * 60000;
    s.Buddies = {QStringLiteral("passes through")};
    values.masterServers = {QStringLiteral("master.one:28900"), QStringLiteral("http://list.example/servers")};
    values.hotKeyCodes = builtInCodes();
    values.speechActive = false;
    s.ComputerVoiceActive = false;
    return values;
}

class SettingsDialogTest : public ::testing::Test
{
protected:
    std::unique_ptr<SettingsDialog> open(const SettingsDialog::Values &values)
    {
        return std::make_unique<SettingsDialog>(SettingsDialog::Context{files, desktop, &desktop, messages}, values,
                                                QStringList{QStringLiteral("kal"), QStringLiteral("slt")});
    }

    FakeFileDialogs files;
    FakeMessageBoxes messages;
    FakeDesktop desktop;
};

void expectSameValues(const SettingsDialog::Values &a, const SettingsDialog::Values &b)
{
    const Settings &x = a.settings;
    const Settings &y = b.settings;
    const auto fields = [](const Settings &s) {
        return QVariantList{s.LocalPort,           s.ServerTimeOut,    s.UTBaseDir,           s.MinBarWidth,
                            s.SleepTime,           s.ComputerVoice,    s.ComputerVoiceActive, s.CheckVersionAtStartUp,
                            s.LastVersionChecked,  s.TitleBarFormat,   s.BuddySpeechFormat,   s.BuddySound,
                            s.LoadColorBelowHalf,  s.LoadColorHalf,    s.LoadColorFull,       s.DefaultFontSize,
                            s.RememberServerCheck, s.Paint3DFrameTeam, s.Paint3DFrameGraph,   s.PaintThickTeam,
                            s.PaintThickGraph,     s.PaintFrameTeam,   s.PaintFrameGraph,     s.promptOnRun,
                            s.RunParams,           s.CloseOnJoin,      s.NgWorldStats,        s.Buddies,
                            s.HtmlTemplate,        s.HtmlOutput,       s.HtmlOutputDir,       s.HtmlCommand,
                            s.HtmlEnabled,         s.HtmlInterval};
    };
    EXPECT_EQ(fields(x), fields(y));
    EXPECT_EQ(a.masterServers, b.masterServers);
    EXPECT_EQ(a.hotKeyCodes, b.hotKeyCodes);
    EXPECT_EQ(a.speechActive, b.speechActive);
}

TEST_F(SettingsDialogTest, ConfirmedUnchangedGivesBackWhatItWasGiven)
{
    for (const SettingsDialog::Values &given : {SettingsDialog::Values{{}, {}, builtInCodes(), true}, someValues()}) {
        auto dialog = open(given);
        dialog->show();
        QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_OK"), Qt::LeftButton);
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        expectSameValues(dialog->values(), given);
    }
}

TEST_F(SettingsDialogTest, PagesAreSortedAndItOpensOnConnection)
{
    auto dialog = open(someValues());
    dialog->show();
    auto *tree = child<QTreeWidget>(dialog.get(), "tv_Pages");
    QStringList names;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        names.append(tree->topLevelItem(i)->text(0));
    EXPECT_EQ(names, texts({"Connection", "Hot Keys", "HTML output", "Layout", "Locations", "Miscelaneous", "Notify",
                            "Score Graph", "Sound"}));
    auto *pages = child<QStackedWidget>(dialog.get(), "pc_Settings");
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("ts_Connection"));
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Connection"));
    tree->setCurrentItem(tree->topLevelItem(1));
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("ts_HotKeys"));
}

TEST_F(SettingsDialogTest, SpinBoxesKeepTheirRangesAndDigitLimits)
{
    auto dialog = open(someValues());
    const auto typed = [&](const char *name, const char *text) {
        auto *box = child<QSpinBox>(dialog.get(), name);
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
        return box->value();
    };
    EXPECT_EQ(child<QSpinBox>(dialog.get(), "se_MinBarWidth")->value(), 150);
    EXPECT_EQ(typed("se_MinBarWidth", "123"), 12);
    EXPECT_EQ(typed("se_LocalPort", "123456"), 12345);
    EXPECT_EQ(typed("se_ServerTimeOut", "95"), 9);
    auto *timeOut = child<QSpinBox>(dialog.get(), "se_ServerTimeOut");
    EXPECT_EQ(std::pair(timeOut->minimum(), timeOut->maximum()), std::pair(1, 90));
    auto *sleep = child<QSpinBox>(dialog.get(), "se_SleepTime");
    EXPECT_EQ(std::pair(sleep->minimum(), sleep->maximum()), std::pair(0, 1000));
    auto *interval = child<QSpinBox>(dialog.get(), "se_HtmlInterval");
    EXPECT_EQ(interval->value(), 5);
    interval->setValue(0);
    EXPECT_EQ(dialog->values().settings.HtmlInterval, 0);
}

TEST_F(SettingsDialogTest, ClearedShortcutComesBackAsItsTableText)
{
    const int help = rowOf(QStringLiteral("Help"));
    ASSERT_GE(help, 0);
    auto dialog = open(someValues());
    dialog->show();
    auto *list = child<QTreeWidget>(dialog.get(), "lv_HotKeys");
    list->setCurrentItem(list->topLevelItem(help));
    EXPECT_EQ(child<QLineEdit>(dialog.get(), "ed_HotKeyCommand")->text(), QStringLiteral("Help"));
    auto *capture = child<QLineEdit>(dialog.get(), "hk_HotKey");
    EXPECT_EQ(capture->text(), QStringLiteral("F1"));
    QTest::keyClick(capture, Qt::Key_Backspace);
    clickOnPage(dialog.get(), "Hot Keys", "btn_SetHotKey");
    SettingsDialog::Values cleared = dialog->values();
    EXPECT_EQ(cleared.hotKeyCodes.value(help), 0);

    auto again = open(cleared);
    again->show();
    EXPECT_EQ(child<QTreeWidget>(again.get(), "lv_HotKeys")->topLevelItem(help)->text(1), QStringLiteral("F1"));
    EXPECT_EQ(again->values().hotKeyCodes.value(help), 112);

    // A captured key replaces the row's text.
    list->setCurrentItem(list->topLevelItem(help));
    QTest::keyClick(capture, Qt::Key_F6, Qt::ShiftModifier);
    clickOnPage(dialog.get(), "Hot Keys", "btn_SetHotKey");
    EXPECT_EQ(dialog->values().hotKeyCodes.value(help), 8309);
}

TEST_F(SettingsDialogTest, AKeyAnotherCommandHoldsIsRefusedWithAMessage)
{
    const int help = rowOf(QStringLiteral("Help"));
    const int lan = rowOf(QStringLiteral("FindLANServers"));
    auto dialog = open(someValues());
    dialog->show();
    auto *list = child<QTreeWidget>(dialog.get(), "lv_HotKeys");
    auto *capture = child<QLineEdit>(dialog.get(), "hk_HotKey");
    list->setCurrentItem(list->topLevelItem(help));
    QTest::keyClick(capture, Qt::Key_F, Qt::ControlModifier);
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_SetHotKey"), Qt::LeftButton);
    EXPECT_EQ(messages.warnings, texts({"Ctrl+F is already the hot key of \"Find LAN servers\".\n"
                                        "Clear it there first to give it to \"Help\"."}));
    EXPECT_EQ(list->topLevelItem(help)->text(1), QStringLiteral("F1"));

    // Cleared there, it can move; the cleared command does not take it back
    // through its table text, neither now nor when the dialog opens again.
    list->setCurrentItem(list->topLevelItem(lan));
    QTest::keyClick(capture, Qt::Key_Backspace);
    clickOnPage(dialog.get(), "Hot Keys", "btn_SetHotKey");
    list->setCurrentItem(list->topLevelItem(help));
    QTest::keyClick(capture, Qt::Key_F, Qt::ControlModifier);
    clickOnPage(dialog.get(), "Hot Keys", "btn_SetHotKey");
    EXPECT_EQ(messages.warnings.size(), 1);
    const SettingsDialog::Values moved = dialog->values();
    EXPECT_EQ(moved.hotKeyCodes.value(help), 16454);
    EXPECT_EQ(moved.hotKeyCodes.value(lan), 0);
    auto again = open(moved);
    again->show();
    EXPECT_EQ(child<QTreeWidget>(again.get(), "lv_HotKeys")->topLevelItem(lan)->text(1), QString());
    EXPECT_EQ(again->values().hotKeyCodes, moved.hotKeyCodes);

    // A key that two rows are given stays with the first; the other shows
    // its table text.
    SettingsDialog::Values clashing = someValues();
    clashing.hotKeyCodes[help] = 16449; // Ctrl+A, as "Add server" has
    auto third = open(clashing);
    third->show();
    EXPECT_EQ(child<QTreeWidget>(third.get(), "lv_HotKeys")->topLevelItem(help)->text(1), QStringLiteral("F1"));
    EXPECT_EQ(third->values().hotKeyCodes.value(rowOf(QStringLiteral("AddServer"))), 16449);
    EXPECT_EQ(third->values().hotKeyCodes.value(help), 112);
}

TEST_F(SettingsDialogTest, AVoiceTheEngineDoesNotListIsKept)
{
    SettingsDialog::Values values = someValues();
    values.settings.ComputerVoice = QStringLiteral("Microsoft Mary");
    auto dialog = open(values);
    dialog->show();
    auto *voices = child<QComboBox>(dialog.get(), "cb_Voices");
    EXPECT_EQ(voices->currentIndex(), -1);
    EXPECT_EQ(dialog->values().settings.ComputerVoice, QStringLiteral("Microsoft Mary"));
    // One the user chooses replaces it.
    voices->setCurrentIndex(0);
    EXPECT_EQ(dialog->values().settings.ComputerVoice, QStringLiteral("kal"));
}

TEST_F(SettingsDialogTest, OkRefusedByTheCommitterKeepsTheDialogAndWhatWasTyped)
{
    auto dialog = open(someValues());
    dialog->show();
    QList<int> committed;
    bool takes = false;
    dialog->setCommitter([&](const SettingsDialog::Values &values) {
        committed.append(values.settings.SleepTime);
        return takes;
    });
    auto *sleep = child<QSpinBox>(dialog.get(), "se_SleepTime");
    sleep->selectAll();
    QTest::keyClicks(sleep, QStringLiteral("75"));
    auto *ok = child<QPushButton>(dialog.get(), "btn_OK");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(sleep->value(), 75);
    takes = true;
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(committed, (QList<int>{75, 75}));
}

TEST_F(SettingsDialogTest, MasterListAddsOnlyRealEntries)
{
    auto dialog = open(someValues());
    dialog->show();
    QStringList asked;
    std::optional<QString> answer;
    dialog->setTextAsker([&](const QString &title, const QString &prompt, const QString &preset) {
        asked << title << prompt << preset;
        return answer ? answer : std::optional<QString>(preset);
    });
    clickOnPage(dialog.get(), "Locations", "btn_AddMasterServer");
    EXPECT_EQ(asked, texts({"Add a master server", "Please enter the master server location and port.",
                            "<ip or hostname>:<port> or <http://location>"}));
    answer = QString();
    clickOnPage(dialog.get(), "Locations", "btn_AddMasterServer");
    answer = QStringLiteral("new.master:28900");
    clickOnPage(dialog.get(), "Locations", "btn_AddMasterServer");
    EXPECT_EQ(dialog->values().masterServers, someValues().masterServers + texts({"new.master:28900"}));

    auto *list = child<QListWidget>(dialog.get(), "lb_MasterServers");
    clickOnPage(dialog.get(), "Locations", "btn_RemoveMasterServer"); // nothing selected
    EXPECT_EQ(list->count(), 3);
    list->item(0)->setSelected(true);
    clickOnPage(dialog.get(), "Locations", "btn_RemoveMasterServer");
    EXPECT_EQ(dialog->values().masterServers, texts({"http://list.example/servers", "new.master:28900"}));
}

// A base directory with the native game's executable in it.
void makeGame(const QTemporaryDir &game)
{
    ASSERT_TRUE(QDir(game.path()).mkpath(QStringLiteral("System")));
    QFile executable(game.filePath(QStringLiteral("System/ut-bin")));
    ASSERT_TRUE(executable.open(QIODevice::WriteOnly));
}

TEST_F(SettingsDialogTest, BaseDirectoryMustHoldTheGame)
{
    QTemporaryDir empty;
    QTemporaryDir game;
    makeGame(game);
    EXPECT_FALSE(GeneralSettingsPage::isGameBaseDirectory(empty.path()));
    EXPECT_TRUE(GeneralSettingsPage::isGameBaseDirectory(game.path()));

    auto dialog = open(someValues());
    dialog->show();
    auto *edit = child<QLineEdit>(dialog.get(), "ed_UTBaseDir");
    files.nextDirectory = empty.path();
    clickOnPage(dialog.get(), "Miscelaneous", "btn_BrowseUTBaseDir");
    ASSERT_TRUE(files.lastAcceptable);
    EXPECT_FALSE(files.lastAcceptable(empty.path()));
    EXPECT_TRUE(edit->text().isEmpty());
    files.nextDirectory = game.path() + QLatin1Char('/');
    clickOnPage(dialog.get(), "Miscelaneous", "btn_BrowseUTBaseDir");
    EXPECT_EQ(edit->text(), game.path());
    EXPECT_EQ(files.directoryRequests.first(), QStringLiteral("Select the base directory of Unreal Tournament|"));

    files.nextDirectory = empty.path();
    clickOnPage(dialog.get(), "HTML output", "btn_BrowseHtmlOutputDir");
    EXPECT_EQ(dialog->values().settings.HtmlOutputDir, empty.path() + QLatin1Char('/'));
}

TEST(QtFileDialogsTest, DirectoryChooserTakesOnlyWhatItsRuleAccepts)
{
    QTemporaryDir empty;
    QTemporaryDir game;
    makeGame(game);
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open);
        auto *verdict = dialog->findChild<QLabel *>(QStringLiteral("lbl_Verdict"));
        seen << verdict->text();
        EXPECT_FALSE(ok->isEnabled());
        QMetaObject::invokeMethod(dialog, "accept"); // typed Enter: refused all the same
        EXPECT_TRUE(dialog->isVisible());
        dialog->setDirectory(game.path());
        EXPECT_TRUE(QTest::qWaitFor([ok] { return ok->isEnabled(); }, 2000));
        seen << verdict->text();
        ok->click();
        if (dialog->isVisible())
            dialog->reject();
    });
    QtFileDialogs files;
    const QString chosen =
        files.chooseDirectory(QStringLiteral("Base"), empty.path(), &GeneralSettingsPage::isGameBaseDirectory);
    EXPECT_EQ(QDir(chosen), QDir(game.path()));
    EXPECT_EQ(seen,
              texts({"This is NOT the Unreal Tournament base directory.", "Unreal Tournament base directory found."}));
}

TEST_F(SettingsDialogTest, HintFollowsFocusAndStaysOnControlsWithout)
{
    auto dialog = open(someValues());
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto *hint = child<QPlainTextEdit>(dialog.get(), "mm_Hint");
    child<QSpinBox>(dialog.get(), "se_LocalPort")->setFocus();
    EXPECT_EQ(hint->toPlainText(), SettingsHints::text(QStringLiteral("se_LocalPort")));
    EXPECT_TRUE(hint->toPlainText().startsWith(QStringLiteral("Local connection port\n")));
    child<QPushButton>(dialog.get(), "btn_Cancel")->setFocus();
    EXPECT_EQ(hint->toPlainText(), SettingsHints::text(QStringLiteral("se_LocalPort")));
}

TEST_F(SettingsDialogTest, SmallControlsDoTheirWork)
{
    auto dialog = open(someValues());
    dialog->show();
    auto *frame = child<QCheckBox>(dialog.get(), "cb_Frame_Graph");
    auto *thick = child<QCheckBox>(dialog.get(), "cb_Thick_Graph");
    auto *raised = child<QCheckBox>(dialog.get(), "cb_3DFrame_Graph");
    EXPECT_FALSE(thick->isEnabled() || raised->isEnabled());
    frame->click();
    EXPECT_TRUE(thick->isEnabled() && raised->isEnabled());
    frame->click();
    EXPECT_FALSE(thick->isEnabled() || raised->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(dialog.get(), "cb_Thick_Team")->isEnabled());

    auto *sound = child<QLineEdit>(dialog.get(), "ed_BuddySound");
    sound->setText(QStringLiteral("\"/sounds/buddy in.wav\""));
    clickOnPage(dialog.get(), "Sound", "btn_PlayBuddySound");
    EXPECT_EQ(sound->text(), QStringLiteral("/sounds/buddy in.wav"));
    EXPECT_EQ(desktop.played, texts({"/sounds/buddy in.wav"}));

    dialog->setColorChooser([](const QColor &initial, QWidget *) {
        EXPECT_EQ(initial, QColor(0x56, 0x34, 0x12));
        return QColor(1, 2, 3);
    });
    clickOnPage(dialog.get(), "Layout", "btn_LoadColor50Plus");
    EXPECT_EQ(dialog->values().settings.LoadColorHalf, 1 + 2 * 256 + 3 * 65536);

    child<QCheckBox>(dialog.get(), "cb_ComputerVoice")->click();
    EXPECT_TRUE(dialog->values().speechActive && dialog->values().settings.ComputerVoiceActive);

    clickOnPage(dialog.get(), "Sound", "btn_TestVoice");
    ASSERT_EQ(desktop.spoken.size(), 1);
    EXPECT_TRUE(SettingsHints::testPhrases().contains(desktop.spoken.first()));
    EXPECT_EQ(SettingsHints::testPhrases().size(), 11);
}

} // namespace
