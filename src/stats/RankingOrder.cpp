#include "RankingOrder.h"

#include "core/StrToIntOrZero.h"
#include "core/TextCompare.h"

namespace Stats {

namespace {

// Sorts after every rank and figure the service gives.
constexpr qint64 kNoStanding = 16777215;

int sign(qint64 value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

qint64 numberOf(const QString &text, bool dropDots, int direction)
{
    if (text == QLatin1String("-"))
        return kNoStanding * direction;
    if (!dropDots)
        return strToIntOrZero(text);
    return strToIntOrZero(QString(text).remove(QLatin1Char('.')));
}

int compareNumbers(const QString &a, const QString &b, bool dropDots, int direction)
{
    return sign(numberOf(a, dropDots, direction) - numberOf(b, dropDots, direction));
}

} // namespace

int compareRankings(const RankingEntry &a, const RankingEntry &b, const QString &markerA, const QString &markerB,
                    int column, int direction)
{
    const int d = direction < 0 ? -1 : 1;
    int order = 0;
    switch (column) {
    case MarkerColumn: order = sign(compareAsciiFolded(markerA, markerB)); break;
    case NameColumn: order = -sign(compareAsciiFolded(a.name, b.name)); break;
    case IdColumn: order = compareNumbers(a.id, b.id, false, d); break;
    case GameModeColumn: order = -sign(compareAsciiFolded(a.gameMode, b.gameMode)); break;
    case WeeklyRankColumn: order = compareNumbers(a.weeklyRank, b.weeklyRank, false, d); break;
    case WeeklyFigureColumn: order = compareNumbers(a.weeklyFigure, b.weeklyFigure, true, d); break;
    case QuarterlyRankColumn: order = compareNumbers(a.quarterlyRank, b.quarterlyRank, false, d); break;
    case QuarterlyFigureColumn: order = compareNumbers(a.quarterlyFigure, b.quarterlyFigure, true, d); break;
    default: break;
    }
    return order * d;
}

int SortState::click(int column)
{
    if (code != column) {
        code = column;
        return 1;
    }
    code = column + 10;
    return -1;
}

} // namespace Stats
