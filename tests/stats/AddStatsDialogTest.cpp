// The search dialog against the simulated statistics service on 127.0.0.1.

#include "SimulatedStatsService.h"
#include "StatsCatalogue.h"
#include "stats/StatsSearch.h"
#include "stats/dialogs/AddStatsDialog.h"
#include "support/EventLoopWait.h"
#include "support/FakePlatform.h"
#include "support/QtPrinters.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using Stats::RankingKind;

class AddStatsDialogTest : public ::testing::Test
{
protected:
    AddStatsDialogTest()
    {
        EXPECT_TRUE(service.listen());
        dialog.setHost(QStringLiteral("127.0.0.1:%1").arg(service.port()));
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }

    template<typename T>
    T *child(const char *name) const
    {
        T *widget = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QLineEdit *field(const char *name) const { return child<QLineEdit>(name); }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QTreeWidget *matches() const { return child<QTreeWidget>("lv_Items"); }

    // Types the text into a field and presses Enter there, as a user starts a search.
    void searchFrom(const char *fieldName, const QString &text)
    {
        QLineEdit *edit = field(fieldName);
        edit->setFocus();
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    bool searchEnds()
    {
        return waitUntil([this] { return !dialog.isSearching(); }, 5000);
    }

    QStringList rows() const
    {
        QStringList shown;
        for (int row = 0; row < matches()->topLevelItemCount(); ++row) {
            const QTreeWidgetItem *item = matches()->topLevelItem(row);
            shown.append(item->text(0) + QLatin1Char('|') + item->text(1));
        }
        return shown;
    }

    bool controlsEnabled() const
    {
        for (const char *name : {"ed_ID", "ed_Name", "rb_ID", "rb_Name", "btn_Src", "cb_GM", "lv_Items"}) {
            if (!child<QWidget>(name)->isEnabled())
                return false;
        }
        return true;
    }

    void select(int row) const { matches()->topLevelItem(row)->setSelected(true); }

    FakeMessageBoxes messages;
    SimulatedStatsService service;
    AddStatsDialog dialog{{messages}};
};

TEST_F(AddStatsDialogTest, PlayerNameSearchListsMatchesAndOkTakesTheChosenOne)
{
    dialog.setKind(RankingKind::Player);
    searchFrom("ed_Name", QStringLiteral("Frag"));
    ASSERT_TRUE(dialog.isSearching());
    EXPECT_FALSE(field("ed_Name")->isEnabled());
    EXPECT_FALSE(button("btn_Src")->isEnabled());
    EXPECT_TRUE(button("btn_Cancel")->isEnabled());

    ASSERT_TRUE(searchEnds());
    ASSERT_EQ(service.requests().size(), 1);
    EXPECT_EQ(service.requests().constFirst().path(),
              QByteArrayLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=p&data=Frag&type=name"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Big Frag Daddy|42"), QStringLiteral("Fräulein Frag|777"),
                                   QStringLiteral("Zoë Überfrag|10000000")}));
    EXPECT_TRUE(controlsEnabled());
    EXPECT_TRUE(button("btn_Ok")->isHidden());
    EXPECT_FALSE(child<QRadioButton>("rb_IP")->isEnabled());

    select(1);
    EXPECT_TRUE(button("btn_Ok")->isVisible());
    EXPECT_TRUE(button("btn_Src")->isHidden());
    // Changing the search text drops the choice.
    QTest::keyClick(field("ed_Name"), Qt::Key_Backspace);
    EXPECT_TRUE(dialog.selectedId().isEmpty());
    EXPECT_TRUE(button("btn_Ok")->isHidden());

    select(1);
    child<QComboBox>("cb_GM")->setCurrentIndex(2);
    QTest::keyClick(matches(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.selectedName(), QStringLiteral("Fräulein Frag"));
    EXPECT_EQ(dialog.selectedId(), QStringLiteral("777"));
    EXPECT_EQ(dialog.gameMode(), QStringLiteral("dom"));
    EXPECT_TRUE(messages.errors.isEmpty());
}

TEST_F(AddStatsDialogTest, OneMatchComesFromTheRefreshedPageAndOkWantsAGameType)
{
    dialog.setKind(RankingKind::Server);
    field("ed_ID")->setFocus();
    EXPECT_TRUE(child<QRadioButton>("rb_ID")->isChecked());
    // Only digits get into the id field.
    searchFrom("ed_ID", QStringLiteral("12a34567"));
    EXPECT_EQ(field("ed_ID")->text(), QStringLiteral("1234567"));
    ASSERT_TRUE(searchEnds());

    EXPECT_EQ(service.requests().size(), 2);
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Château Assault|1234567")});
    select(0);
    button("btn_Ok")->click();
    EXPECT_EQ(messages.errors, QStringList{QStringLiteral("Select game type.")});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.selectedId(), QStringLiteral("1234567"));
    EXPECT_TRUE(dialog.gameMode().isEmpty());
}

TEST_F(AddStatsDialogTest, CancelStopsAStalledSearchSilentlyAndClosesOnlyWhenIdle)
{
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::Stall);
    dialog.setKind(RankingKind::Server);
    searchFrom("ed_Name", QStringLiteral("Arena"));
    ASSERT_TRUE(waitUntil([this] { return !service.requests().isEmpty(); }));
    runEventLoopFor(50);
    ASSERT_TRUE(dialog.isSearching());
    EXPECT_FALSE(child<QRadioButton>("rb_IP")->isEnabled());

    button("btn_Cancel")->click();
    EXPECT_FALSE(dialog.isSearching());
    EXPECT_FALSE(dialog.search().isRunning());
    EXPECT_TRUE(controlsEnabled());
    EXPECT_TRUE(child<QRadioButton>("rb_IP")->isEnabled());
    // The focus is back in the field searched from, which is still the one chosen.
    EXPECT_EQ(dialog.focusWidget(), field("ed_Name"));
    EXPECT_TRUE(child<QRadioButton>("rb_Name")->isChecked());
    EXPECT_TRUE(dialog.isVisible());
    runEventLoopFor(100);
    EXPECT_TRUE(messages.errors.isEmpty());

    // Closing while a search runs ends it too, without a message.
    QTest::keyClick(field("ed_Name"), Qt::Key_Return);
    ASSERT_TRUE(dialog.isSearching());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(messages.errors.isEmpty());
}

TEST_F(AddStatsDialogTest, FailedFetchShowsTheErrorWithTheControlsBack)
{
    dialog.setKind(RankingKind::Player);
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::NotFound);
    bool enabledWhileShown = false;
    messages.whileOpen = [this, &enabledWhileShown] { enabledWhileShown = controlsEnabled(); };
    searchFrom("ed_Name", QStringLiteral("Frag"));
    ASSERT_TRUE(searchEnds());

    ASSERT_EQ(messages.errors.size(), 1);
    EXPECT_FALSE(messages.errors.constFirst().isEmpty());
    EXPECT_TRUE(enabledWhileShown);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(button("btn_Ok")->isHidden());
    EXPECT_TRUE(dialog.isVisible());

    // The service is back: the same search now lists its matches.
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::None);
    button("btn_Src")->click();
    ASSERT_TRUE(searchEnds());
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(messages.errors.size(), 1);
}

// Twenty thousand matches are listed a batch at a time: the event loop comes
// round while they are listed, and Cancel stops the listing there.
TEST_F(AddStatsDialogTest, ALongListOfMatchesKeepsTheDialogAnsweringAndCancelStopsIt)
{
    constexpr int count = 20000;
    service.setCatalogue(StatsCatalogue::crowd(count));
    dialog.setKind(RankingKind::Player);
    int listedWhenTheLoopCameRound = -1;
    bool searchingThen = false;
    const QMetaObject::Connection found =
        QObject::connect(&dialog.search(), &Stats::StatsSearch::finished, &dialog, [&] {
            QTimer::singleShot(0, &dialog, [&] {
                listedWhenTheLoopCameRound = matches()->topLevelItemCount();
                searchingThen = dialog.isSearching();
                QTest::mouseClick(button("btn_Cancel"), Qt::LeftButton);
            });
        });
    searchFrom("ed_Name", QStringLiteral("Crowd"));
    ASSERT_TRUE(waitUntil([&] { return listedWhenTheLoopCameRound >= 0; }, 60000));
    QObject::disconnect(found);
    EXPECT_TRUE(searchingThen);
    EXPECT_GT(listedWhenTheLoopCameRound, 0);
    EXPECT_LT(listedWhenTheLoopCameRound, count);
    EXPECT_FALSE(dialog.isSearching());
    EXPECT_TRUE(controlsEnabled());
    EXPECT_TRUE(dialog.isVisible()) << "Cancel stopped the listing, it did not close";
    EXPECT_EQ(matches()->topLevelItemCount(), listedWhenTheLoopCameRound);
    EXPECT_TRUE(messages.errors.isEmpty());

    // Left alone, every match is listed once, in the page's order.
    button("btn_Src")->click();
    ASSERT_TRUE(waitUntil([this] { return !dialog.isSearching(); }, 60000));
    ASSERT_EQ(matches()->topLevelItemCount(), count);
    EXPECT_EQ(matches()->topLevelItem(0)->text(0), QStringLiteral("Crowd Player 1"));
    EXPECT_EQ(matches()->topLevelItem(count - 1)->text(1), QString::number(100000 + count));
    EXPECT_EQ(dialog.focusWidget(), matches());
}

TEST_F(AddStatsDialogTest, PlayerKindKeepsTheAddressSearchOffAndEmptiesTheFields)
{
    dialog.setKind(RankingKind::Server);
    dialog.prefillServer(QStringLiteral("Château Assault"), QStringLiteral("127.0.0.1:7780"));
    EXPECT_EQ(field("ed_Name")->text(), QStringLiteral("Château Assault"));
    EXPECT_EQ(field("ed_IP")->text(), QStringLiteral("127.0.0.1"));
    field("ed_IP")->setFocus();
    EXPECT_TRUE(child<QRadioButton>("rb_IP")->isChecked());
    searchFrom("ed_Name", QStringLiteral("Arena"));
    ASSERT_TRUE(searchEnds());
    EXPECT_EQ(rows().size(), 3);

    dialog.setKind(RankingKind::Player);
    EXPECT_EQ(dialog.kind(), RankingKind::Player);
    EXPECT_FALSE(child<QComboBox>("cb_SP")->isEnabled());
    EXPECT_TRUE(rows().isEmpty());
    for (const char *name : {"ed_ID", "ed_Name", "ed_IP"})
        EXPECT_TRUE(field(name)->text().isEmpty()) << name;

    dialog.prefillPlayer(QStringLiteral("Player One"));
    EXPECT_TRUE(child<QRadioButton>("rb_Name")->isChecked());
    EXPECT_EQ(dialog.focusWidget(), field("ed_Name"));
    QTest::keyClick(field("ed_Name"), Qt::Key_Return);
    ASSERT_TRUE(searchEnds());
    EXPECT_EQ(service.requests().constLast().path(),
              QByteArrayLiteral("/fcgi-bin/Display?gt=UT&gm=all&uid=1234567&page=m&view=p"));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Player One|1234567")});
    EXPECT_FALSE(child<QRadioButton>("rb_IP")->isEnabled());
    EXPECT_FALSE(field("ed_IP")->isEnabled());
}

} // namespace
