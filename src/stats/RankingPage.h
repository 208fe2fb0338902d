#pragma once

#include "PageText.h"
#include "RankingEntry.h"

#include <QString>
#include <QStringList>

#include <optional>

// The statistics service's Display page of one server or player, and how
// its weekly and quarterly rank and figure are read from it.
namespace Stats {

// "/fcgi-bin/Display?gt=UT&gm=<game mode>&uid=<id>&page=m&view=s" ("view=p" for a player).
QString displayPath(const QString &gameMode, const QString &id, RankingKind kind);

// The id as a number: plain decimal digits that fit a 64-bit signed integer.
std::optional<qint64> rankingId(const QString &id);

// The id as the page writes it: no decimals and "," between groups of three
// digits ("1,234,567").
QString searchKey(qint64 id);

struct RankFigures
{
    QString weeklyRank;
    QString weeklyFigure;
    QString quarterlyRank;
    QString quarterlyFigure;

    friend bool operator==(const RankFigures &, const RankFigures &) = default;
};

// Reads the ranks and figures from the lines of a Display page. A line that
// holds the key is the quarterly row when the next line is "</tr>" (ignoring
// case and surrounding blanks), the weekly row otherwise; a later row of a
// kind replaces an earlier one. The row's cells are fields 1 (rank) and 4
// (figure) of its comma text once the commas are dropped, every
// "<td class=r>" is read as a comma and the cell ends, blanks and "<", "/",
// ">" are dropped; it is read in lower case. A kind without a row gives "-"
// twice. Nothing, with a message, when a row has fewer than five fields.
std::optional<RankFigures> scrapeRankingPage(const QStringList &lines, const QString &key, QString *error);

} // namespace Stats
