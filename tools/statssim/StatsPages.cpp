#include "StatsPages.h"

#include <algorithm>
#include <iterator>

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

const QByteArray kTail = QByteArrayLiteral("</body>\n</html>\n");

// The characters Windows-1252 puts at 0x80 to 0x9F (the five it leaves
// unused as themselves); it agrees with Latin-1 elsewhere.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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
    return name.toHtmlEscaped().toUtf8();
}

QByteArray entryPath(StatsKind kind, quint64 id)
{
    return "/fcgi-bin/Display?gt=UT&gm=all&uid=" + QByteArray::number(id) + "&page=m&view=" + viewCode(kind);
}

QByteArray rankPage(StatsKind kind, const QString &mode, const StatsEntry *entry)
{
    const QString title = StatsCatalogue::modeTitle(mode);
    QByteArray page = head(title.isEmpty() ? QByteArrayLiteral("UT") : title.toUtf8());
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
    return page + "</table>\n" + kTail;
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
        page += "<tr>" + entryCell(name) + entryCell(StatsCatalogue::modeTitle(mode).toUtf8())
                + entryCell(QByteArray::number(entry.id)) + "\n</tr>\n";
    }
    return page + "</table>\n" + kTail;
}

QByteArray missingEntryPage()
{
    return head("UT") + "<p>No such ngUID.</p>\n" + kTail;
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
    return page + "</table>\n" + kTail;
}

QByteArray refreshPage(const QByteArray &path)
{
    return "<html>\n<head>\n<meta HTTP-EQUIV=Refresh CONTENT=\"0; url=" + path
           + "\">\n<title>ngWorldStats</title>\n</head>\n<body>\n</body>\n</html>\n";
}

QByteArray notFoundPage()
{
    return QByteArrayLiteral(
        "<html>\n<head>\n<title>Not Found</title>\n</head>\n<body>\nNot Found\n</body>\n</html>\n");
}

QByteArray charsetName(Charset charset)
{
    switch (charset) {
    case Charset::Windows1252: return QByteArrayLiteral("windows-1252");
    case Charset::Utf8: return QByteArrayLiteral("utf-8");
    case Charset::Undeclared: break;
    }
    return {};
}

QByteArray encodePage(const QByteArray &utf8, Charset charset)
{
    if (charset == Charset::Utf8 || std::all_of(utf8.cbegin(), utf8.cend(), [](char c) { return uchar(c) < 0x80; }))
        return utf8;
    const QString text = QString::fromUtf8(utf8);
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            bytes.append(char(code));
            continue;
        }
        const char16_t *found = std::find(std::begin(kHigh1252), std::end(kHigh1252), code);
        bytes.append(found == std::end(kHigh1252) || code < 0xA0 ? '?' : char(0x80 + (found - std::begin(kHigh1252))));
    }
    return bytes;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : char16_t(b)));
    }
    return text;
}

} // namespace StatsPages
