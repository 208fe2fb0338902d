#pragma once

#include <QString>

#include <utility>

namespace Stats {

// One server or player of the rankings lists, with the texts the statistics
// pages give for its weekly and quarterly standing.
struct RankingEntry
{
    QString name;
    QString id;
    QString gameMode;
    QString weeklyRank;
    QString weeklyFigure;
    QString quarterlyRank;
    QString quarterlyFigure;

    friend bool operator==(const RankingEntry &, const RankingEntry &) = default;
};

enum class RankingKind { Server, Player };

// Whether two entries stand for the same ranking: equal ids and game modes
// once A to Z are turned to lower case. A list never holds two such entries.
bool sameEntry(const RankingEntry &a, const RankingEntry &b);

// The id and game mode with A to Z in lower case: equal exactly for the
// entries sameEntry() matches, so lists can be checked through a hash.
std::pair<QString, QString> entryIdentity(const RankingEntry &entry);

} // namespace Stats
