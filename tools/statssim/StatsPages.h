#pragma once

#include "StatsCatalogue.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The statistics service's pages, built in UTF-8 with "\n" line ends; the
// service encodes them in the character set it declares (encodePage). Only
// the marks a client reads carry meaning; the rest is plain HTML without
// digits, so that an entry's number shows nowhere but in its own rows.
namespace StatsPages {

// An id as the rank pages write it: 1234567 -> "1,234,567".
QByteArray displayKey(quint64 id);

// A name for HTML: & < > " escaped.
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

enum class Charset {
    Windows1252, // declared as windows-1252, as the service sends its pages
    Utf8,        // declared as utf-8
    Undeclared,  // Windows-1252 bytes without a charset in the headers
};

// The header's name of the character set; empty for Undeclared.
QByteArray charsetName(Charset charset);

// A page built here in the character set; a character Windows-1252 lacks becomes "?".
QByteArray encodePage(const QByteArray &utf8, Charset charset);

// Every byte as its Windows-1252 character.
QString decodeWindows1252(QByteArrayView bytes);

} // namespace StatsPages
