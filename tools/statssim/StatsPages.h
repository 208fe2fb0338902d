#pragma once

#include "StatsCatalogue.h"

#include <QByteArray>
#include <QList>

// The statistics service's pages, in ISO-8859-1 with "\n" line ends. Only
// the marks a client reads carry meaning; the rest is plain HTML without
// digits, so that an entry's number shows nowhere but in its own rows.
namespace StatsPages {

// An id as the rank pages write it: 1234567 -> "1,234,567".
QByteArray displayKey(quint64 id);

// A name for HTML: & < > " escaped, in Latin-1.
QByteArray htmlName(const QString &name);

// /fcgi-bin/Display?gt=UT&gm=all&uid=<id>&page=m&view=<s|p>, an entry's own page.
QByteArray entryPath(StatsKind kind, quint64 id);

// An entry's ranks in one game mode: a weekly and a quarterly table, each with
// the entry's row if it is on that list. The weekly row is one line ending in
// "</tr>"; the quarterly row's "</tr>" stands on the line after it. entry may
// be nullptr (an unknown id): both tables stay empty.
QByteArray rankPage(StatsKind kind, const QString &mode, const StatsEntry *entry);

// An entry's own page: "<span class=vv>" with its name ("&nbsp;" for blanks),
// then one row per game mode it is ranked in, with the name, the mode and the id.
QByteArray entryPage(StatsKind kind, const StatsEntry &entry);
QByteArray missingEntryPage(); // for an unknown id

// Search results: eleven or twelve header lines, then per match an id line,
// a linked name line and, for servers, an address line.
QByteArray listPage(StatsKind kind, const QList<const StatsEntry *> &matches);

// Sends the browser on to path at once.
QByteArray refreshPage(const QByteArray &path);

QByteArray notFoundPage();

} // namespace StatsPages
