// The statistics client against the simulated service on 127.0.0.1: the
// refresh of rankings lists and the search, with the service misbehaving.

#include "SimulatedStatsService.h"
#include "stats/PageFetcher.h"
#include "stats/RankingModel.h"
#include "stats/RankingRun.h"
#include "stats/StatsSearch.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QItemSelectionModel>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace Stats;
using Matches = QList<std::pair<QString, QString>>;

RankingEntry entry(const QString &name, const QString &id, const QString &mode)
{
    return {name, id, mode, {}, {}, {}, {}};
}

class StatsServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.listen());
        host = QStringLiteral("127.0.0.1:%1").arg(service.port());
        run.setHost(host);
        search.setHost(host);
    }

    void select(QItemSelectionModel &selection, int row)
    {
        selection.select(selection.model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Runs the search to its end; the matches, or nothing after a failure.
    std::optional<Matches> searchFor(SearchBy by, RankingKind kind, const QString &text)
    {
        QSignalSpy done(&search, &StatsSearch::finished);
        QSignalSpy failed(&search, &StatsSearch::failed);
        EXPECT_TRUE(search.start(by, kind, text));
        EXPECT_TRUE(waitUntil([&] { return done.size() + failed.size() > 0; }, 10000));
        lastError = failed.isEmpty() ? QString() : failed.constFirst().constFirst().toString();
        if (done.isEmpty())
            return std::nullopt;
        return done.constFirst().constFirst().value<Matches>();
    }

    SimulatedStatsService service;
    QString host;
    RankingModel servers{RankingKind::Server};
    RankingModel players{RankingKind::Player};
    QItemSelectionModel serverSelection{&servers};
    QItemSelectionModel playerSelection{&players};
    RankingRun run{{&servers, &serverSelection}, {&players, &playerSelection}};
    StatsSearch search;
    QString lastError;
};

TEST_F(StatsServiceTest, RefreshesTheSelectedRowsInListOrder)
{
    servers.addRankingEntry(entry(QStringLiteral("Ölfeld"), QStringLiteral("482"), QStringLiteral("ctf")));
    servers.addRankingEntry(entry(QStringLiteral("Château"), QStringLiteral("1234567"), QStringLiteral("ass")));
    servers.addRankingEntry(entry(QStringLiteral("Unknown"), QStringLiteral("5"), QStringLiteral("dm")));
    servers.addRankingEntry(entry(QStringLiteral("Not selected"), QStringLiteral("7"), QStringLiteral("dm")));
    select(serverSelection, 2);
    select(serverSelection, 0);
    select(serverSelection, 1);
    QSignalSpy completed(&run, &RankingRun::completed);
    QSignalSpy failed(&run, &RankingRun::failed);

    ASSERT_TRUE(run.start(RankingKind::Server));
    EXPECT_FALSE(run.start(RankingKind::Player)) << "one run at a time";
    ASSERT_TRUE(waitUntil([&] { return !completed.isEmpty() || !failed.isEmpty(); }, 10000));
    ASSERT_TRUE(failed.isEmpty()) << failed.constFirst().constFirst().toString().toStdString();

    ASSERT_EQ(service.requests().size(), 3);
    EXPECT_EQ(service.requests()[0].path(), "/fcgi-bin/Display?gt=UT&gm=ctf&uid=482&page=m&view=s");
    EXPECT_EQ(service.requests()[1].path(), "/fcgi-bin/Display?gt=UT&gm=ass&uid=1234567&page=m&view=s");
    EXPECT_EQ(service.requests()[0].header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(service.requests()[0].header("Accept"), "text/html, */*");
    EXPECT_EQ(servers.entry(0).weeklyRank, QStringLiteral("1"));
    EXPECT_EQ(servers.entry(0).quarterlyFigure, QStringLiteral("90"));
    EXPECT_EQ(servers.entry(1).quarterlyRank, QStringLiteral("1"));
    EXPECT_EQ(servers.entry(2).weeklyRank, QStringLiteral("-")) << "a page without the id";
    EXPECT_EQ(servers.entry(2).quarterlyFigure, QStringLiteral("-"));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(servers.marker(row), QStringLiteral(">>"));
    EXPECT_EQ(servers.marker(3), QString());
    EXPECT_FALSE(serverSelection.hasSelection());
    EXPECT_EQ(run.currentList(), &servers);
}

TEST_F(StatsServiceTest, AFailedFetchEndsTheRunAndKeepsItsRowSelected)
{
    players.addRankingEntry(entry(QStringLiteral("Big Frag Daddy"), QStringLiteral("42"), QStringLiteral("ctf")));
    select(playerSelection, 0);
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::NotFound);
    QSignalSpy completed(&run, &RankingRun::completed);
    QSignalSpy failed(&run, &RankingRun::failed);
    QSignalSpy fetching(&run, &RankingRun::fetching);

    ASSERT_TRUE(run.start(RankingKind::Player));
    ASSERT_TRUE(waitUntil([&] { return !failed.isEmpty(); }, 10000));
    EXPECT_FALSE(run.isRunning());
    EXPECT_TRUE(completed.isEmpty());
    EXPECT_TRUE(playerSelection.isRowSelected(0));
    EXPECT_EQ(players.marker(0), QString());
    EXPECT_EQ(fetching.constLast().constFirst().toBool(), false) << "the gauge stops";

    // An id that is no number is marked and deselected, and ends the run.
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::None);
    players.addRankingEntry(entry(QStringLiteral("Odd"), QStringLiteral("4x2"), QStringLiteral("ctf")));
    playerSelection.clearSelection();
    select(playerSelection, 1);
    ASSERT_TRUE(run.start(RankingKind::Player));
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 2; }, 10000));
    EXPECT_EQ(failed.constLast().constFirst().toString(), QStringLiteral("'4x2' is not a valid integer value"));
    EXPECT_EQ(players.marker(1), QStringLiteral(">>"));
    EXPECT_FALSE(playerSelection.hasSelection());
}

TEST_F(StatsServiceTest, StoppingDropsThePageOnItsWay)
{
    players.addRankingEntry(entry(QStringLiteral("Player One"), QStringLiteral("1234567"), QStringLiteral("ctf")));
    select(playerSelection, 0);
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::Stall);
    QSignalSpy completed(&run, &RankingRun::completed);
    QSignalSpy failed(&run, &RankingRun::failed);
    ASSERT_TRUE(run.start(RankingKind::Player));
    ASSERT_TRUE(waitUntil([&] { return !service.requests().isEmpty(); }));
    run.stop();
    runEventLoopFor(200);
    EXPECT_FALSE(run.isRunning());
    EXPECT_TRUE(completed.isEmpty());
    EXPECT_TRUE(failed.isEmpty());
    EXPECT_TRUE(playerSelection.isRowSelected(0));
}

TEST_F(StatsServiceTest, SearchesListMatchesOrFollowTheRefreshToTheOneFound)
{
    const auto frags = searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag"));
    ASSERT_TRUE(frags);
    EXPECT_EQ(*frags, (Matches{{QStringLiteral("Big Frag Daddy"), QStringLiteral("42")},
                                 {QStringLiteral("Fräulein Frag"), QStringLiteral("777")},
                                 {QStringLiteral("Zoë Überfrag"), QStringLiteral("10000000")}}));
    EXPECT_EQ(service.requests().constLast().path(),
              "/fcgi-bin/Search?gt=UT&gm=all&page=m&view=p&data=frag&type=name");
    EXPECT_EQ(service.requests().constLast().header("Accept-Charset"), "iso-8859-5");

    const auto arenas = searchFor(SearchBy::Name, RankingKind::Server, QStringLiteral("Arena"));
    ASSERT_TRUE(arenas);
    EXPECT_EQ(arenas->size(), 3) << "servers come in triples of id, name and address";

    const auto byAddress = searchFor(SearchBy::Address, RankingKind::Server, QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(byAddress);
    EXPECT_EQ(byAddress->size(), 6);
    EXPECT_TRUE(byAddress->contains({QStringLiteral("Château Assault"), QStringLiteral("1234567")}));

    const auto byId = searchFor(SearchBy::Id, RankingKind::Player, QStringLiteral("1234567"));
    ASSERT_TRUE(byId);
    EXPECT_EQ(*byId, (Matches{{QStringLiteral("Player One"), QStringLiteral("1234567")}}));
    EXPECT_EQ(service.requests().constLast().path().left(26), "/fcgi-bin/Display?gt=UT&gm") << "the refresh";

    EXPECT_FALSE(search.start(SearchBy::Name, RankingKind::Player, QString())) << "an empty field sends nothing";
}

TEST_F(StatsServiceTest, HostileServicesEndTheSearchWithAMessage)
{
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::RefreshLoop);
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("after 4 pages"))) << lastError.toStdString();
    EXPECT_EQ(service.requests().size(), 1 + StatsSearch::MaxRefreshHops);

    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::Huge);
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("larger than 4096 KB"))) << lastError.toStdString();

    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::EndlessLine);
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("larger than"))) << lastError.toStdString();

    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::Garbage);
    // Random bytes for a page end the search one way or the other.
    searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag"));
    EXPECT_FALSE(search.isRunning());

    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::Stall);
    search.fetcher().setLimits({4 * 1024 * 1024, 300});
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("stopped sending"))) << lastError.toStdString();

    QSignalSpy failed(&search, &StatsSearch::failed);
    search.fetcher().setLimits({});
    ASSERT_TRUE(search.start(SearchBy::Id, RankingKind::Player, QStringLiteral("42")));
    ASSERT_TRUE(waitUntil([&] { return !service.requests().isEmpty() && failed.isEmpty(); }));
    search.cancel();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.constFirst().constFirst().toString(), QStringLiteral("The transfer was cancelled."));
    EXPECT_FALSE(search.isRunning());

    search.setHost(QStringLiteral("bad host name"));
    EXPECT_FALSE(searchFor(SearchBy::Id, RankingKind::Player, QStringLiteral("42")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("not a valid address"))) << lastError.toStdString();
}

} // namespace
