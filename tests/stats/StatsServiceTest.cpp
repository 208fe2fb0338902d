// The statistics client against the simulated service on 127.0.0.1: the
// refresh of rankings lists and the search, with the service misbehaving.

#include "SimulatedStatsService.h"
#include "StatsCatalogue.h"
#include "StatsPages.h"
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

// A request that cannot even be sent (no host, a blank in it, an id or game
// mode no address may hold) ends the run like any failed fetch, and the
// next run, with the host or row mended, refreshes the row.
TEST_F(StatsServiceTest, ARequestRefusedBeforeItIsSentEndsTheRunAndTheNextRunWorks)
{
    const QString goodHost = host;
    struct Case
    {
        QString host;
        QString id;
        QString mode;
    };
    const QList<Case> cases = {
        {QString(), QStringLiteral("42"), QStringLiteral("ctf")},
        {QStringLiteral("127.0.0.1 :1"), QStringLiteral("42"), QStringLiteral("ctf")},
        {QStringLiteral("stats host"), QStringLiteral("42"), QStringLiteral("ctf")},
        {goodHost, QStringLiteral("4 2"), QStringLiteral("ctf")},
        {goodHost, QStringLiteral("42"), QStringLiteral("c\"tf")},
    };
    QSignalSpy completed(&run, &RankingRun::completed);
    QSignalSpy failed(&run, &RankingRun::failed);
    QSignalSpy fetching(&run, &RankingRun::fetching);
    for (const Case &c : cases) {
        const std::string label = (c.host + QLatin1Char('|') + c.id + QLatin1Char('|') + c.mode).toStdString();
        while (players.count() > 0)
            players.removeEntry(0);
        players.addRankingEntry(entry(QStringLiteral("Big Frag Daddy"), c.id, c.mode));
        select(playerSelection, 0);
        run.setHost(c.host);
        completed.clear();
        failed.clear();
        ASSERT_TRUE(run.start(RankingKind::Player)) << label;
        ASSERT_TRUE(failed.wait(5000) || !failed.isEmpty()) << label;
        EXPECT_EQ(failed.size(), 1) << label;
        EXPECT_FALSE(run.isRunning()) << label;
        EXPECT_EQ(fetching.constLast().constFirst().toBool(), false) << label << ": the gauge stops";
        EXPECT_TRUE(playerSelection.isRowSelected(0)) << label;
        EXPECT_TRUE(service.requests().isEmpty()) << label;

        // Mended: the same row is refreshed.
        while (players.count() > 0)
            players.removeEntry(0);
        players.addRankingEntry(entry(QStringLiteral("Big Frag Daddy"), QStringLiteral("42"), QStringLiteral("ctf")));
        select(playerSelection, 0);
        run.setHost(goodHost);
        ASSERT_TRUE(run.start(RankingKind::Player)) << label;
        ASSERT_TRUE(completed.wait(10000) || !completed.isEmpty()) << label;
        EXPECT_EQ(players.entry(0).weeklyRank, QStringLiteral("1")) << label;
        EXPECT_EQ(failed.size(), 1) << label;
        service.clearRecords();
    }
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
    EXPECT_EQ(service.requests().constLast().path(), "/fcgi-bin/Search?gt=UT&gm=all&page=m&view=p&data=frag&type=name");
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

// Names with the punctuation Windows-1252 keeps at 0x80 to 0x9F come through
// whole, however the page is encoded and however its bytes are cut up.
TEST_F(StatsServiceTest, PunctuatedNamesComeThroughInEveryCharsetAndCut)
{
    service.setCatalogue(StatsCatalogue::punctuated());
    const Matches fraggers{{QStringLiteral("Fragger\u2122"), QStringLiteral("2122")},
                           {QStringLiteral("O\u2019Fragger"), QStringLiteral("1919")},
                           {QStringLiteral("\u20ACuro Fragger \u2013 \u0152uvre"), QStringLiteral("8080")}};
    struct Case
    {
        const char *what;
        StatsPages::Charset charset;
        qsizetype cutEvery;
    };
    const QList<Case> cases = {
        {"windows-1252", StatsPages::Charset::Windows1252, 0},
        {"utf-8", StatsPages::Charset::Utf8, 0},
        {"undeclared", StatsPages::Charset::Undeclared, 0},
        {"utf-8 in pieces of 3", StatsPages::Charset::Utf8, 3},
        {"windows-1252 in pieces of 7", StatsPages::Charset::Windows1252, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        service.setCharset(c.charset);
        service.setCutEvery(c.cutEvery);
        EXPECT_EQ(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("Fragger")), fraggers);
        // The one match by name or id comes from the refreshed page.
        EXPECT_EQ(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("O\u2019Frag")),
                  (Matches{fraggers[1]}));
        EXPECT_EQ(searchFor(SearchBy::Id, RankingKind::Server, QStringLiteral("5150")),
                  (Matches{{QStringLiteral("Joe\u2019s Pub \u2122"), QStringLiteral("5150")}}));
        EXPECT_EQ(searchFor(SearchBy::Name, RankingKind::Server, QStringLiteral("Pub")),
                  (Matches{{QStringLiteral("Joe\u2019s Pub \u2122"), QStringLiteral("5150")},
                           {QStringLiteral("\u20AC-Pub \u201CCTF\u201D"), QStringLiteral("5151")}}));
    }
    // The name goes out as Windows-1252 bytes.
    service.clearRecords();
    EXPECT_EQ(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("Fragger\u2122")), (Matches{fraggers[0]}));
    ASSERT_FALSE(service.requests().isEmpty());
    EXPECT_EQ(service.requests().constFirst().path(),
              "/fcgi-bin/Search?gt=UT&gm=all&page=m&view=p&data=Fragger%99&type=name");
}

// A result list just under the page cap lists every match; a little more
// is refused as too large.
TEST_F(StatsServiceTest, AResultListNearThePageCapIsReadWhole)
{
    constexpr int count = 28000;
    service.setCatalogue(StatsCatalogue::crowd(count));
    const qsizetype pageSize =
        service.answer(searchPath(SearchBy::Name, RankingKind::Player, QStringLiteral("Crowd")).toLatin1()).body.size();
    const qint64 cap = PageFetcher::Limits{}.maxBytes;
    ASSERT_LE(pageSize, cap);
    ASSERT_GT(pageSize, cap - 64 * 1024) << "near the cap";
    const auto crowd = searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("Crowd"));
    ASSERT_TRUE(crowd) << lastError.toStdString();
    ASSERT_EQ(crowd->size(), count);
    EXPECT_EQ(crowd->constLast(), (std::pair{QStringLiteral("Crowd Player 28000"), QStringLiteral("128000")}));

    service.setCatalogue(StatsCatalogue::crowd(count + 500));
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("Crowd")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("larger than 4096 KB"))) << lastError.toStdString();
}

TEST_F(StatsServiceTest, HostileServicesEndTheSearchWithAMessage)
{
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::RefreshLoop);
    EXPECT_FALSE(searchFor(SearchBy::Name, RankingKind::Player, QStringLiteral("frag")));
    EXPECT_TRUE(lastError.contains(QStringLiteral("after 4 pages"))) << lastError.toStdString();
    EXPECT_EQ(service.requests().size(), 1 + StatsSearch::kMaxRefreshHops);

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
