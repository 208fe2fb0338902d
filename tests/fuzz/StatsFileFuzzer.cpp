// Feeds arbitrary bytes to the reader of the statistics file, as a damaged or
// hostile file would hold them, and checks that what it reads is written
// back and read again unchanged.
#include "stats/StatsFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Stats::StatsLists lists = Stats::decodeStatsFile(bytes);
    const qsizetype records = lists.servers.size() + lists.players.size();
    require(records <= (bytes.size() - Stats::kStatsHeaderSize) / Stats::kStatsRecordSize || records == 0);
    for (const QList<Stats::RankingEntry> *list : {&lists.servers, &lists.players}) {
        for (const Stats::RankingEntry &entry : *list)
            require(!entry.name.endsWith(QChar(0)) && entry.name.size() <= 99 && entry.id.size() <= 11);
    }
    const QByteArray written = Stats::encodeStatsFile(lists.servers, lists.players);
    require(written.size() == Stats::kStatsHeaderSize + (records + 1) * Stats::kStatsRecordSize);
    require(Stats::decodeStatsFile(written) == lists);
    return 0;
}
