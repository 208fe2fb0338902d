#pragma once

#include "PageText.h"
#include "RankingEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The statistics service's search: the paths of its queries and how the
// servers or players it finds are read from its pages.
namespace Stats {

// A to Z, a to z and 0 to 9 as they are; every other character as "%" and
// two upper-case hex digits per byte of its Windows-1252 code, or of its
// UTF-8 bytes when Windows-1252 lacks it ("A B" gives "A%20B").
QString urlEncodeName(const QString &name);

enum class SearchBy { Id, Name, Address };

// "/fcgi-bin/Search?gt=UT&gm=all&page=m&view=<s|p>&data=<text>&type=<uid|name|addr>";
// a name is URL-encoded, and an address search always looks for servers.
QString searchPath(SearchBy by, RankingKind kind, const QString &text);

struct SearchResult
{
    // The path the page sends the browser on to at once: the service's way
    // of showing the one server or player a search found.
    std::optional<QString> refreshPath;
    // (name, id), each id once.
    QList<std::pair<QString, QString>> rows;
};

// Reads a search page. A list of results has its values in "<td class=y>"
// and "<td class=z>" cells from the eleventh line on: id, name (and address,
// for servers) in turn. A page reached through a refresh is the Display page
// of one name ("<span class=vv>" holds it); every line that holds the name
// gives an id as field 3 of its cells, and each id is listed under the name.
SearchResult scrapeSearchPage(const QStringList &lines, RankingKind kind, bool reachedByRefresh);

} // namespace Stats
