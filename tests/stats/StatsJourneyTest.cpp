// The "ngWorldStats" page as a user meets it in the main window: a stored
// statistics host that does not work, mended in the settings dialog; names
// with Windows-1252 punctuation found, listed, stored and read back by the
// next start. Real key and mouse events on the real window and dialogs, the
// simulated service on 127.0.0.1.

#include "SimulatedStatsService.h"
#include "StatsCatalogue.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "mainwindow/MainWindow.h"
#include "stats/RankingModel.h"
#include "stats/StatsFile.h"
#include "stats/dialogs/AddStatsDialog.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"
#include "support/WindowContext.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

class StatsJourneyTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    void SetUp() override { ASSERT_TRUE(service.listen()); }

    QString serviceHost() const { return QStringLiteral("127.0.0.1:%1").arg(service.port()); }
    QString dataPath() const { return profile.filePath(QStringLiteral("ngWorldStats.data")); }

    void writeIni(const QString &host) const
    {
        QFile ini(profile.filePath(QStringLiteral("Quorvelin.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[locations]\r\nngWorldStats=" + host.toLatin1() + "\r\n");
    }

    // A start of the program on the profile, showing the "ngWorldStats" page.
    void start()
    {
        window.reset();
        const Settings settings = Configuration::loadConfiguration(config.read(), profile.path() + QLatin1Char('/'));
        window =
            std::make_unique<MainWindow>(windowContext(*this, config, settings, profile.path(), desktop.services()));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QWidget *page = window->findChild<QWidget *>(QStringLiteral("ts_Stats"));
        ASSERT_TRUE(page);
        auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget()->parentWidget());
        ASSERT_TRUE(tabs);
        QTabBar *bar = tabs->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tabs->indexOf(page)).center());
        ASSERT_EQ(tabs->currentWidget(), page);
    }

    template<typename T>
    T *find(QWidget *parent, const char *name) const
    {
        T *found = parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
        EXPECT_TRUE(found) << name;
        return found;
    }

    QTreeView *players() const { return find<QTreeView>(window.get(), "lv_PlayerStats"); }

    QStringList playerNames() const
    {
        QStringList names;
        QAbstractItemModel *model = players()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.append(model->index(row, Stats::NameColumn).data().toString());
        return names;
    }

    QString playerCell(int row, int column) const { return players()->model()->index(row, column).data().toString(); }

    void clickRow(QAbstractItemView *view, int row, Qt::KeyboardModifiers modifiers = {})
    {
        const QRect rect = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
    }

    void click(QWidget *parent, const char *button)
    {
        auto *pushButton = find<QPushButton>(parent, button);
        if (pushButton)
            QTest::mouseClick(pushButton, Qt::LeftButton);
    }

    // Types the text key by key; characters without a key of their own
    // arrive as a keyboard layout sends them, as text on an unknown key.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClicks(widget, QString(c));
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    AddStatsDialog *searchDialog() const { return window->findChild<AddStatsDialog *>(); }

    // In the open search dialog: types the name, searches with Enter, clicks
    // the match with the name, picks the game type by its first letter and
    // confirms with OK.
    void addMatch(const QString &typed, const QString &name, Qt::Key gameType)
    {
        AddStatsDialog *dialog = searchDialog();
        ASSERT_TRUE(dialog && dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Add ngWorldStats"));
        auto *field = find<QLineEdit>(dialog, "ed_Name");
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        type(field, typed);
        ASSERT_EQ(field->text(), typed);
        QTest::keyClick(field, Qt::Key_Return);
        ASSERT_TRUE(waitUntil([dialog] { return !dialog->isSearching(); }, 10000));
        auto *matches = find<QTreeWidget>(dialog, "lv_Items");
        const QList<QTreeWidgetItem *> found = matches->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(matches->viewport(), Qt::LeftButton, {},
                          matches->visualItemRect(found.constFirst()).center());
        auto *modes = find<QComboBox>(dialog, "cb_GM");
        modes->setFocus();
        QTest::keyClick(modes, gameType);
        click(dialog, "btn_Ok");
        EXPECT_FALSE(dialog->isVisible());
    }

    QByteArray storedBytes() const
    {
        QFile file(dataPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    SimulatedStatsService service;
    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    FakeDesktop desktop;
    std::unique_ptr<MainWindow> window;
};

// A host the address parser refuses fails at once, every time "update" is
// clicked; once the user mends it in the settings, "update" refreshes.
TEST_F(StatsJourneyTest, AStoredHostThatFailsIsMendedInTheSettingsAndUpdateWorks)
{
    const QByteArray lists = Stats::encodeStatsFile(
        {}, {{QStringLiteral("Big Frag Daddy"), QStringLiteral("42"), QStringLiteral("ctf"), {}, {}, {}, {}}});
    QFile file(dataPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(lists);
    file.close();
    for (const QString &broken : {QString(), QStringLiteral("127.0.0.1 :%1").arg(service.port())}) {
        SCOPED_TRACE(broken.toStdString());
        writeIni(broken);
        platform.messages.errors.clear();
        start();
        ASSERT_EQ(playerNames(), QStringList{QStringLiteral("Big Frag Daddy")});
        clickRow(players(), 0);
        for (int attempt = 1; attempt <= 2; ++attempt) {
            click(window.get(), "btn_UpdatePlayer");
            ASSERT_TRUE(waitUntil([&] { return platform.messages.errors.size() == attempt; })) << "attempt " << attempt;
            EXPECT_TRUE(platform.messages.errors.constLast().contains(QStringLiteral("not a valid address")))
                << platform.messages.errors.constLast().toStdString();
            EXPECT_TRUE(players()->isEnabled());
            EXPECT_TRUE(players()->selectionModel()->isRowSelected(0, {})) << "the row waits for the next try";
        }
        EXPECT_TRUE(service.requests().isEmpty());

        window->findChild<QAction *>(QStringLiteral("mi_Programoptions1"))->trigger();
        auto *settings = window->findChild<QDialog *>(QStringLiteral("Tfrm_Settings"));
        ASSERT_TRUE(settings && settings->isVisible());
        auto *pages = find<QTreeWidget>(settings, "tv_Pages");
        if (pages) {
            const QList<QTreeWidgetItem *> locations = pages->findItems(QStringLiteral("Locations"), Qt::MatchExactly);
            ASSERT_EQ(locations.size(), 1);
            QTest::mouseClick(pages->viewport(), Qt::LeftButton, {},
                              pages->visualItemRect(locations.constFirst()).center());
        }
        auto *host = find<QLineEdit>(settings, "ed_ngWorldStats");
        ASSERT_TRUE(host && host->isVisible());
        EXPECT_EQ(host->text(), broken);
        QTest::mouseClick(host, Qt::LeftButton);
        host->selectAll();
        QTest::keyClick(host, Qt::Key_Backspace);
        QTest::keyClicks(host, serviceHost());
        click(settings, "btn_OK");
        ASSERT_TRUE(waitUntil([&] { return !window->findChild<QDialog *>(QStringLiteral("Tfrm_Settings")); }));

        click(window.get(), "btn_UpdatePlayer");
        ASSERT_TRUE(waitUntil([&] { return playerCell(0, Stats::MarkerColumn) == QStringLiteral(">>"); }, 10000));
        EXPECT_EQ(playerCell(0, Stats::WeeklyRankColumn), QStringLiteral("1"));
        EXPECT_EQ(playerCell(0, Stats::WeeklyFigureColumn), QStringLiteral("2450.75"));
        EXPECT_EQ(platform.messages.errors.size(), 2);
        ASSERT_TRUE(waitUntil(
            [&] { return Stats::decodeStatsFile(storedBytes()).players.value(0).weeklyRank == QStringLiteral("1"); }));
        service.clearRecords();
        // Back to the list without ranks for the next case.
        file.open(QIODevice::WriteOnly);
        file.write(lists);
        file.close();
    }
}

// "Fragger™", "O’Fragger" and "€uro Fragger – Œuvre" come from a page in
// Windows-1252, stand in the list and in the file as the same characters
// (their single Windows-1252 bytes there) and come back at the next start.
TEST_F(StatsJourneyTest, PunctuatedNamesGoFromTheSearchToTheListTheFileAndTheNextStart)
{
    service.setCatalogue(StatsCatalogue::punctuated());
    writeIni(serviceHost());
    start();
    const QString fragger = QStringLiteral("Fragger\u2122");
    const QString oFragger = QStringLiteral("O\u2019Fragger");
    const QString euro = QStringLiteral("\u20ACuro Fragger \u2013 \u0152uvre");

    click(window.get(), "btn_AddPlayer");
    addMatch(QStringLiteral("Fragger"), fragger, Qt::Key_C);
    auto *matches = find<QTreeWidget>(searchDialog(), "lv_Items");
    ASSERT_EQ(matches->topLevelItemCount(), 3);
    EXPECT_EQ(matches->topLevelItem(2)->text(0), euro);

    click(window.get(), "btn_AddPlayer");
    addMatch(QStringLiteral("Fragger"), euro, Qt::Key_C);
    // Typed with its apostrophe: one match, read from the page the search leads to.
    click(window.get(), "btn_AddPlayer");
    addMatch(QStringLiteral("O\u2019Frag"), oFragger, Qt::Key_C);

    ASSERT_EQ(playerNames(), (QStringList{fragger, euro, oFragger}));
    EXPECT_EQ(playerCell(0, Stats::GameModeColumn), QStringLiteral("ctf"));
    const QByteArray added = storedBytes();
    EXPECT_TRUE(added.contains("\x08"
                               "Fragger\x99"));
    EXPECT_TRUE(added.contains("\x14\x80uro Fragger \x96 \x8Cuvre"));
    EXPECT_TRUE(added.contains("\x09O\x92"
                               "Fragger"));

    // Refreshing all three keeps the names and adds the ranks.
    clickRow(players(), 0);
    clickRow(players(), 2, Qt::ShiftModifier);
    click(window.get(), "btn_UpdatePlayer");
    ASSERT_TRUE(waitUntil([&] { return playerCell(2, Stats::MarkerColumn) == QStringLiteral(">>"); }, 10000));
    EXPECT_EQ(playerCell(0, Stats::QuarterlyFigureColumn), QStringLiteral("12000"));
    // The run ends with the lists stored.
    ASSERT_TRUE(waitUntil(
        [&] { return Stats::decodeStatsFile(storedBytes()).players.value(2).weeklyRank == QStringLiteral("11"); }));
    EXPECT_TRUE(platform.messages.errors.isEmpty()) << platform.messages.errors.join(u'\n').toStdString();
    window->close();

    start();
    EXPECT_EQ(playerNames(), (QStringList{fragger, euro, oFragger}));
    EXPECT_EQ(playerCell(2, Stats::WeeklyRankColumn), QStringLiteral("11"));
    const QByteArray stored = storedBytes();
    EXPECT_TRUE(stored.contains("\x08"
                                "Fragger\x99"));
    EXPECT_TRUE(stored.contains("\x09O\x92"
                                "Fragger"));
    EXPECT_TRUE(platform.messages.errors.isEmpty());
}

} // namespace
