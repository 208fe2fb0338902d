#pragma once

#include "RankingEntry.h"

#include <QString>

// The order of the rankings lists when a column header is clicked.
namespace Stats {

enum RankingColumn {
    MarkerColumn = 0,
    NameColumn = 1,
    IdColumn = 2,
    GameModeColumn = 3,
    WeeklyRankColumn = 4,
    WeeklyFigureColumn = 5,
    QuarterlyRankColumn = 6,
    QuarterlyFigureColumn = 7,
};

// Below 0 when a comes first, above 0 when b does, 0 when they tie. The
// marker column compares texts without regard to case, A before Z; names and
// game modes likewise but Z before A; the id and the ranks as whole numbers
// (anything else as 0), smallest first, and the figures the same once their
// dots are dropped. Direction -1 turns the order round, except that a "-"
// (no standing) sorts last either way. Unknown columns tie.
int compareRankings(const RankingEntry &a, const RankingEntry &b, const QString &markerA, const QString &markerB,
                    int column, int direction);

// Which column the list is sorted by: the column, or the column + 10 when
// its order was turned round by a second click; -1 before the first click.
struct SortState
{
    int code = -1;

    // The direction of the new order: +1 for a click on another column or on
    // the turned round one, -1 for a second click on the same column.
    int click(int column);
};

} // namespace Stats
