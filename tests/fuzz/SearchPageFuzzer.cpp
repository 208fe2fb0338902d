// Feeds arbitrary bytes to the reader of search pages, as a hostile or broken
// statistics service would send them: as a list of results and as the page
// a refresh leads to, for servers and for players. The first byte chooses
// which (bit 0: players, bit 1: the page of a refresh); the rest is the page,
// read once, so that each input costs one reading of it.
#include "stats/SearchPage.h"

#include <QByteArray>
#include <QSet>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void check(const QStringList &lines, Stats::RankingKind kind, bool reachedByRefresh)
{
    const Stats::SearchResult result = Stats::scrapeSearchPage(lines, kind, reachedByRefresh);
    if (result.refreshPath) {
        require(result.rows.isEmpty() && !result.refreshPath->isEmpty());
        return;
    }
    QSet<QString> ids;
    for (const auto &[name, id] : result.rows) {
        require(!ids.contains(id));
        ids.insert(id);
        // A page reached through a refresh lists every id under its one name.
        if (reachedByRefresh)
            require(name == result.rows.first().first);
    }
    // Each listed row takes at least one line of its own.
    require(result.rows.size() <= lines.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArrayView page(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size) - 1);
    const Stats::RankingKind kind = data[0] & 1 ? Stats::RankingKind::Player : Stats::RankingKind::Server;
    check(Stats::pageLines(page), kind, (data[0] & 2) != 0);
    return 0;
}
