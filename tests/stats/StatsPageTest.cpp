// The "ngWorldStats" page against the simulated service: entries found by
// name, id and address, refreshed, kept in the statistics file.

#include "SimulatedStatsService.h"
#include "mainwindow/StatsPage.h"
#include "stats/RankingModel.h"
#include "stats/RankingRun.h"
#include "stats/StatsFile.h"
#include "stats/dialogs/AddStatsDialog.h"
#include "support/EventLoopWait.h"
#include "support/FakePlatform.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

using Stats::RankingKind;

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

class StatsPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.listen());
        host = QStringLiteral("127.0.0.1:%1").arg(service.port());
        page = makePage();
    }

    std::unique_ptr<StatsPage> makePage()
    {
        auto made = std::make_unique<StatsPage>(
            StatsPage::Context{messages, desktop, host, directory.filePath(QStringLiteral("ngWorldStats.data"))});
        made->loadStatsFile();
        return made;
    }

    // Searches in the open dialog by the field's radio button, picks the
    // match with the id and confirms it with the game mode.
    void pick(const char *radio, const char *field, const QString &text, const QString &id, const QString &mode)
    {
        AddStatsDialog *dialog = page->searchDialog();
        ASSERT_TRUE(dialog && dialog->isVisible());
        dialog->findChild<QRadioButton *>(QLatin1String(radio))->setChecked(true);
        dialog->findChild<QLineEdit *>(QLatin1String(field))->setText(text);
        dialog->startSearch();
        ASSERT_TRUE(waitUntil([&] { return !dialog->isSearching(); }, 10000));
        auto *matches = dialog->findChild<QTreeWidget *>(QStringLiteral("lv_Items"));
        const QList<QTreeWidgetItem *> found = matches->findItems(id, Qt::MatchExactly, 1);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        matches->setCurrentItem(found.constFirst());
        auto *modes = dialog->findChild<QComboBox *>(QStringLiteral("cb_GM"));
        modes->setCurrentIndex(modes->findText(mode));
        dialog->confirm();
        EXPECT_FALSE(dialog->isVisible());
    }

    void selectAll(RankingKind kind) { page->view(kind)->selectAll(); }

    SimulatedStatsService service;
    QTemporaryDir directory;
    FakeMessageBoxes messages;
    FakeDesktop desktop;
    QString host;
    std::unique_ptr<StatsPage> page;
};

TEST_F(StatsPageTest, FoundEntriesAreRefreshedSavedAndReadBack)
{
    page->lookUpPlayer(QStringLiteral("Big Frag"));
    EXPECT_EQ(page->searchDialog()->findChild<QLineEdit *>(QStringLiteral("ed_Name"))->text(),
              QStringLiteral("Big Frag"));
    pick("rb_Name", "ed_Name", QStringLiteral("Big Frag"), QStringLiteral("42"), QStringLiteral("CTF"));
    page->addEntry(RankingKind::Player);
    pick("rb_ID", "ed_ID", QStringLiteral("1234567"), QStringLiteral("1234567"), QStringLiteral("ASS"));
    page->lookUpServer(QStringLiteral("Château Assault"), QStringLiteral("127.0.0.1:7780"));
    EXPECT_EQ(page->searchDialog()->findChild<QLineEdit *>(QStringLiteral("ed_IP"))->text(),
              QStringLiteral("127.0.0.1"));
    pick("rb_IP", "ed_IP", QStringLiteral("127.0.0.1"), QStringLiteral("1234567"), QStringLiteral("CTF"));

    Stats::RankingModel &players = page->model(RankingKind::Player);
    ASSERT_EQ(players.count(), 2);
    EXPECT_EQ(players.entry(0).name, QStringLiteral("Big Frag Daddy"));
    EXPECT_EQ(players.entry(0).gameMode, QStringLiteral("ctf"));
    EXPECT_EQ(players.entry(1).weeklyRank, QString()) << "no ranks before the first refresh";
    ASSERT_EQ(page->model(RankingKind::Server).count(), 1);

    QSignalSpy completed(&page->run(), &Stats::RankingRun::completed);
    selectAll(RankingKind::Player);
    page->updateSelected(RankingKind::Player);
    EXPECT_FALSE(page->view(RankingKind::Player)->isEnabled()) << "the lists wait for the page";
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 1; }, 10000)) << messages.errors.join(u'\n').toStdString();
    EXPECT_TRUE(page->view(RankingKind::Player)->isEnabled());
    EXPECT_EQ(players.marker(0), QStringLiteral(">>"));
    EXPECT_EQ(players.entry(0).weeklyFigure, QStringLiteral("2450.75"));
    EXPECT_EQ(players.entry(1).quarterlyRank, QStringLiteral("4"));
    ASSERT_TRUE(QFileInfo::exists(directory.filePath(QStringLiteral("ngWorldStats.data"))));

    const QList<Stats::RankingEntry> saved = players.entries();
    page = makePage();
    EXPECT_EQ(page->model(RankingKind::Player).entries(), saved);
    EXPECT_EQ(page->model(RankingKind::Server).entry(0).name, QStringLiteral("Château Assault"));
    EXPECT_TRUE(messages.errors.isEmpty());
}

// Rows added, deleted or sorted are in the file at once, not only after a refresh.
TEST_F(StatsPageTest, ListChangesAreStoredAsTheyHappen)
{
    const QString path = directory.filePath(QStringLiteral("ngWorldStats.data"));
    page->addEntry(RankingKind::Player);
    pick("rb_Name", "ed_Name", QStringLiteral("Big Frag"), QStringLiteral("42"), QStringLiteral("CTF"));
    Stats::RankingModel &servers = page->model(RankingKind::Server);
    for (const char *id : {"7", "482", "99"})
        servers.addRankingEntry({QStringLiteral("Server ") + QLatin1String(id), QLatin1String(id), QStringLiteral("dm"),
                                 QLatin1String(id), QString(), QString(), QString()});
    const auto stored = [this] {
        auto reopened = makePage();
        QStringList ids;
        for (const RankingKind kind : {RankingKind::Server, RankingKind::Player}) {
            for (const Stats::RankingEntry &entry : reopened->model(kind).entries())
                ids.append(entry.id);
            ids.append(QStringLiteral("|"));
        }
        return ids;
    };
    EXPECT_EQ(stored(), texts({"7", "482", "99", "|", "42", "|"}));

    page->view(RankingKind::Server)->header()->sectionClicked(Stats::WeeklyRankColumn);
    EXPECT_EQ(stored(), texts({"7", "99", "482", "|", "42", "|"}));

    page->view(RankingKind::Server)
        ->selectionModel()
        ->select(servers.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    messages.nextAnswer = true;
    page->deleteSelected(RankingKind::Server);
    EXPECT_EQ(stored(), texts({"7", "482", "|", "42", "|"}));
    EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(path).fileName()});
    EXPECT_TRUE(messages.errors.isEmpty()) << messages.errors.join(u'\n').toStdString();
}

// A file refused at start (too large, or not a file that can be read) is
// moved aside, not overwritten, when the lists are first saved.
TEST_F(StatsPageTest, AFileRefusedAtStartIsKeptAsideWhenTheListsAreSaved)
{
    const QString path = directory.filePath(QStringLiteral("ngWorldStats.data"));
    const QString aside = path + QStringLiteral(".unread");
    for (const bool tooLarge : {true, false}) {
        SCOPED_TRACE(tooLarge ? "too large" : "a directory");
        QFile::remove(path);
        QDir(aside).removeRecursively();
        QFile::remove(aside);
        QByteArray kept;
        if (tooLarge) {
            kept = Stats::encodeStatsFile(
                {{QStringLiteral("Kept"), QStringLiteral("5"), QStringLiteral("dm"), {}, {}, {}, {}}}, {});
            kept.append(Stats::kStatsFileMaxSize, '\0');
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            ASSERT_EQ(file.write(kept), kept.size());
        } else {
            ASSERT_TRUE(QDir(directory.path()).mkdir(QStringLiteral("ngWorldStats.data")));
        }
        messages.errors.clear();
        messages.warnings.clear();
        page = makePage();
        ASSERT_EQ(messages.errors.size(), 1);

        Stats::RankingModel &players = page->model(RankingKind::Player);
        players.addRankingEntry(
            {QStringLiteral("Big Frag Daddy"), QStringLiteral("42"), QStringLiteral("ctf"), {}, {}, {}, {}});
        QSignalSpy completed(&page->run(), &Stats::RankingRun::completed);
        selectAll(RankingKind::Player);
        page->updateSelected(RankingKind::Player);
        ASSERT_TRUE(completed.wait(10000) || !completed.isEmpty());

        if (tooLarge) {
            QFile file(aside);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll() == kept) << "the refused file is kept whole";
        } else {
            EXPECT_TRUE(QFileInfo(aside).isDir());
        }
        ASSERT_EQ(messages.warnings.size(), 1);
        EXPECT_TRUE(messages.warnings.constFirst().contains(aside)) << messages.warnings.constFirst().toStdString();
        EXPECT_EQ(messages.errors.size(), 1);
        // The lists went to a new file, which the next start reads.
        page = makePage();
        EXPECT_EQ(page->model(RankingKind::Player).count(), 1);
        EXPECT_EQ(messages.errors.size(), 1);
    }
}

TEST_F(StatsPageTest, ListCommandsActOnTheFirstSelectedRow)
{
    Stats::RankingModel &servers = page->model(RankingKind::Server);
    for (const char *id : {"7", "482", "99"})
        servers.addRankingEntry({QStringLiteral("Server ") + QLatin1String(id), QLatin1String(id), QStringLiteral("dm"),
                                 QStringLiteral("-"), QString(), QLatin1String(id), QString()});
    page->updateSelected(RankingKind::Server);
    EXPECT_EQ(messages.errors, QStringList{QStringLiteral("Please select servers from the list to update.")});
    EXPECT_TRUE(service.requests().isEmpty());

    // Sorting by a rank keeps "-" last and the selection on its entries.
    page->view(RankingKind::Server)->header()->sectionClicked(Stats::QuarterlyRankColumn);
    EXPECT_EQ(servers.entry(0).id, QStringLiteral("7"));
    page->view(RankingKind::Server)->header()->sectionClicked(Stats::QuarterlyRankColumn);
    EXPECT_EQ(servers.entry(0).id, QStringLiteral("482"));

    QItemSelectionModel *selection = page->view(RankingKind::Server)->selectionModel();
    selection->select(servers.index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(servers.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    page->openSite(RankingKind::Server);
    EXPECT_EQ(desktop.opened, QStringList{QStringLiteral(
                                  "http://ut.ngworldstats.com/fcgi-bin/Display?gt=UT&gm=dm&uid=99&page=m&view=s")});

    messages.nextAnswer = true;
    page->deleteSelected(RankingKind::Server);
    EXPECT_EQ(
        messages.questions,
        QStringList{QStringLiteral("Are you sure you that you want to delete \"Server 99\" from the ranking list ?")});
    ASSERT_EQ(servers.count(), 2);
    EXPECT_EQ(servers.entry(1).id, QStringLiteral("7")) << "only the first selected row goes";
}

} // namespace
