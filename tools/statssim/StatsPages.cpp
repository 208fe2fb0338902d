#include "StatsPages.h"

namespace {

QByteArray figureText(double figure)
{
    return QByteArray::number(figure, 'g', 12);
}

QByteArray viewCode(StatsKind kind)
{
    return kind == StatsKind::Server ? QByteArrayLiteral("s") : QByteArrayLiteral("p");
}

QByteArray head(const QByteArray &title)
{
    return QByteArrayLiteral("<html>\n<head>\n<title>ngWorldStats - ") + title
        + QByteArrayLiteral("</title>\n</head>\n<body>\n");
}

const QByteArray Tail = QByteArrayLiteral("</body>\n</html>\n");

QByteArray rankCell(const QByteArray &text)
{
    return "<td class=r>" + text + "</td>";
}

QByteArray entryCell(const QByteArray &text)
{
    return "<td class=o>" + text + "</td>";
}

} // namespace

namespace StatsPages {

QByteArray displayKey(quint64 id)
{
    QByteArray digits = QByteArray::number(id);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, ',');
    return digits;
}

QByteArray htmlName(const QString &name)
{
    return name.toHtmlEscaped().toLatin1();
}

QByteArray entryPath(StatsKind kind, quint64 id)
{
    return "/fcgi-bin/Display?gt=UT&gm=all&uid=" + QByteArray::number(id) + "&page=m&view=" + viewCode(kind);
}

QByteArray rankPage(StatsKind kind, const QString &mode, const StatsEntry *entry)
{
    const QString title = StatsCatalogue::modeTitle(mode);
    QByteArray page = head(title.isEmpty() ? QByteArrayLiteral("UT") : title.toLatin1());
    const QByteArray figureTitle = kind == StatsKind::Server ? QByteArrayLiteral("Days") : QByteArrayLiteral("Points");
    const QByteArray columns = "<tr><th>Rank</th><th>ngUID</th><th>Name</th><th>" + figureTitle + "</th>";
    const StatsRanks ranks = entry ? entry->ranks.value(mode) : StatsRanks();
    const auto row = [&](int rank, double figure) {
        return "<tr>" + rankCell(QByteArray::number(rank)) + rankCell(displayKey(entry->id))
            + rankCell(htmlName(entry->name)) + rankCell(figureText(figure));
    };

    page += "<p><b>Weekly ranking</b></p>\n<table>\n" + columns + "<th>&nbsp;</th></tr>\n";
    if (entry && ranks.weeklyRank > 0)
        page += row(ranks.weeklyRank, ranks.weeklyFigure) + rankCell("&nbsp;") + "</tr>\n";
    page += "</table>\n<p><b>Quarterly ranking</b></p>\n<table>\n" + columns + "</tr>\n";
    if (entry && ranks.quarterlyRank > 0)
        page += row(ranks.quarterlyRank, ranks.quarterlyFigure) + "\n</tr>\n";
    return page + "</table>\n" + Tail;
}

QByteArray entryPage(StatsKind kind, const StatsEntry &entry)
{
    const QByteArray name = htmlName(entry.name).replace(' ', "&nbsp;");
    QByteArray page = head(kind == StatsKind::Server ? QByteArrayLiteral("Server") : QByteArrayLiteral("Player"));
    if (kind == StatsKind::Server)
        page += "<span class=vv>" + name + "<br>" + htmlName(entry.address) + "</span>\n";
    else
        page += "<span class=vv>" + name + " ngUID: " + QByteArray::number(entry.id) + "</span>\n";
    page += "<table>\n<tr><th>Name</th><th>Game</th><th>ngUID</th>\n</tr>\n";
    for (const QString &mode : StatsCatalogue::gameModes()) {
        if (!entry.ranks.contains(mode))
            continue;
        page += "<tr>" + entryCell(name) + entryCell(StatsCatalogue::modeTitle(mode).toLatin1())
            + entryCell(QByteArray::number(entry.id)) + "\n</tr>\n";
    }
    return page + "</table>\n" + Tail;
}

QByteArray missingEntryPage()
{
    return head("UT") + "<p>No such ngUID.</p>\n" + Tail;
}

QByteArray listPage(StatsKind kind, const QList<const StatsEntry *> &matches)
{
    QByteArray page = head("Search") + "<p><b>Search results</b></p>\n<table>\n<tr>\n<th>ngUID</th>\n<th>Name</th>\n";
    if (kind == StatsKind::Server)
        page += "<th>Address</th>\n";
    page += "</tr>\n";
    for (const StatsEntry *match : matches) {
        page += "<tr>\n<td class=y>" + QByteArray::number(match->id) + "</td>\n";
        page += "<td class=z><a href=\"" + entryPath(kind, match->id) + "\" class=z>" + htmlName(match->name)
            + "</a></td>\n";
        if (kind == StatsKind::Server)
            page += "<td class=y>" + htmlName(match->address) + "</td>\n";
        page += "</tr>\n";
    }
    return page + "</table>\n" + Tail;
}

QByteArray refreshPage(const QByteArray &path)
{
    return "<html>\n<head>\n<meta HTTP-EQUIV=Refresh CONTENT=\"0; url=" + path
        + "\">\n<title>ngWorldStats</title>\n</head>\n<body>\n</body>\n</html>\n";
}

QByteArray notFoundPage()
{
    return QByteArrayLiteral("<html>\n<head>\n<title>Not Found</title>\n</head>\n<body>\nNot Found\n</body>\n</html>\n");
}

} // namespace StatsPages
