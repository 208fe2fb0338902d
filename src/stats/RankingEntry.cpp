#include "RankingEntry.h"

#include "PageText.h"

namespace Stats {

bool sameEntry(const RankingEntry &a, const RankingEntry &b)
{
    return entryIdentity(a) == entryIdentity(b);
}

std::pair<QString, QString> entryIdentity(const RankingEntry &entry)
{
    return {asciiLower(entry.id), asciiLower(entry.gameMode)};
}

} // namespace Stats
