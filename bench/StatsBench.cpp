// Time to read the statistics service's pages at the largest size fetched,
// to read and write a statistics file, and to sort a long rankings list.
#include "stats/PageFetcher.h"
#include "stats/PageText.h"
#include "stats/RankingModel.h"
#include "stats/RankingPage.h"
#include "stats/SearchPage.h"
#include "stats/StatsFile.h"

#include <benchmark/benchmark.h>

namespace {

using namespace Stats;

// Lines repeated up to the fetcher's size cap.
QByteArray pageOfLines(const QByteArray &lines)
{
    const qint64 cap = PageFetcher::Limits{}.maxBytes;
    QByteArray page = lines.repeated(cap / lines.size());
    return page;
}

// A Display page of rank rows, every one of them a hit for the key.
void BM_ScrapeRankingPageAtCap(benchmark::State &state)
{
    const QByteArray page =
        pageOfLines("<tr><td class=r>12<td class=r>1,234,567<td class=r>Player One<td class=r>1,234.5</td>\n</tr>\n");
    const QString key = searchKey(1234567);
    for (auto _ : state) {
        QString error;
        benchmark::DoNotOptimize(scrapeRankingPage(pageLines(page), key, &error));
    }
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_ScrapeRankingPageAtCap)->Unit(benchmark::kMillisecond);

// A result list of players, each a pair of cells.
void BM_ScrapeSearchListAtCap(benchmark::State &state)
{
    const QByteArray page =
        QByteArray("<html>\n").repeated(10)
        + pageOfLines("<td class=y>1234567</td>\n<td class=z><a href=\"/x?uid=1\" class=z>Player One</a></td>\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(scrapeSearchPage(pageLines(page), RankingKind::Player, false));
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_ScrapeSearchListAtCap)->Unit(benchmark::kMillisecond);

// Lines ended by CR alone, as old Mac pages end them, at the size cap: each
// line break is found once, not by a search to the end of the page.
void BM_LinesOfACrEndedPageAtCap(benchmark::State &state)
{
    const QByteArray page = pageOfLines("<td class=r>12\r");
    for (auto _ : state)
        benchmark::DoNotOptimize(pageLines(page));
    state.SetBytesProcessed(state.iterations() * page.size());
}
BENCHMARK(BM_LinesOfACrEndedPageAtCap)->Unit(benchmark::kMillisecond);

StatsLists manyEntries(int count)
{
    StatsLists lists;
    for (int i = 0; i < count; ++i) {
        const QString id = QString::number(1000 + i);
        RankingEntry entry{QStringLiteral("Entry %1 with a longer name").arg(i),
                           id,
                           QStringLiteral("ctf"),
                           QString::number(i % 500),
                           QStringLiteral("1.234"),
                           QStringLiteral("-"),
                           QString::number(i)};
        (i % 2 ? lists.players : lists.servers).append(entry);
    }
    return lists;
}

// Lists as long as a file at its size cap holds; reading checks duplicates.
void BM_StatsFileRoundTrip(benchmark::State &state)
{
    const StatsLists lists = manyEntries(int(state.range(0)));
    for (auto _ : state) {
        const QByteArray bytes = encodeStatsFile(lists.servers, lists.players);
        benchmark::DoNotOptimize(decodeStatsFile(bytes));
    }
}
BENCHMARK(BM_StatsFileRoundTrip)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SortRankingsByClick(benchmark::State &state)
{
    RankingModel model(RankingKind::Player);
    for (const RankingEntry &entry : manyEntries(int(state.range(0))).players)
        model.addRankingEntry(entry);
    for (auto _ : state)
        model.sortByClick(WeeklyRankColumn);
}
BENCHMARK(BM_SortRankingsByClick)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
