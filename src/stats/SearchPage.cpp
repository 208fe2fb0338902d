#include "SearchPage.h"

#include "core/Windows1252.h"

#include <QSet>

namespace Stats {

namespace {

void appendPercent(QString &text, uchar byte)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    text += QLatin1Char('%');
    text += QLatin1Char(kHex[byte >> 4]);
    text += QLatin1Char(kHex[byte & 15]);
}

// The refresh mark's target: the text after the first "url=" without the
// line's last two characters (the quote and ">" that close the mark).
// Nothing when the line names no target.
std::optional<QString> refreshTarget(const QString &line, const QString &lower)
{
    const qsizetype at = lower.indexOf(QLatin1String("url="));
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + 4;
    const qsizetype end = line.size() - 2;
    if (end <= start)
        return std::nullopt;
    return line.sliced(start, end - start);
}

// The name in a "<span class=vv>" line: from the 16th character up to the
// first "<br>" for a server; for a player, up to the first "nguid" less the
// one character before it. Nothing when the end mark is missing or leaves
// no name.
std::optional<QString> spanName(const QString &line, const QString &lower, RankingKind kind)
{
    const qsizetype mark = lower.indexOf(kind == RankingKind::Server ? QLatin1String("<br>") : QLatin1String("nguid"));
    const qsizetype length = kind == RankingKind::Server ? mark - 15 : mark - 16;
    if (mark < 0 || length <= 0)
        return std::nullopt;
    return line.sliced(15, length);
}

// The values of one line of a result list, in the order they stand in it.
void appendListValues(const QString &line, const QString &lower, QStringList &values)
{
    if (lower.contains(QLatin1String("<td class=y>")) && line.size() >= 17)
        values.append(line.sliced(12, line.size() - 17));
    if (lower.contains(QLatin1String("<td class=z>"))) {
        const qsizetype at = lower.indexOf(QLatin1String("\" class=z>"));
        const qsizetype start = at + 10;
        const qsizetype end = line.size() - 9;
        if (at >= 0 && end >= start)
            values.append(line.sliced(start, end - start));
    }
}

// Field 3 of a line of the Display page that holds the name: its id.
std::optional<QString> displayLineId(const QString &line)
{
    QString text = line;
    text.remove(QLatin1Char(','));
    text.replace(QLatin1String("<td class="), QLatin1String(","));
    for (const char *dropped : {"</td>", "&nbsp;", "o>"})
        text.remove(QLatin1String(dropped));
    for (const QChar dropped : {u' ', u'<', u'/', u'>'})
        text.remove(dropped);
    const QStringList fields = commaFields(text);
    if (fields.size() < 4)
        return std::nullopt;
    return fields[3];
}

void addRow(SearchResult &result, QSet<QString> &ids, const QString &name, const QString &id)
{
    if (ids.contains(id))
        return;
    ids.insert(id);
    result.rows.append({name, id});
}

void addListRows(SearchResult &result, const QStringList &values, RankingKind kind)
{
    const qsizetype group = kind == RankingKind::Server ? 3 : 2;
    QSet<QString> ids;
    for (qsizetype i = 0; i + group <= values.size(); i += group)
        addRow(result, ids, values[i + 1], values[i]);
}

void addDisplayRows(SearchResult &result, QStringList values, const QStringList &hitLines)
{
    values.append(QString(values.first()).replace(QLatin1String("&nbsp;"), QLatin1String(" ")));
    for (const QString &line : hitLines) {
        if (const std::optional<QString> id = displayLineId(line))
            values.append(*id);
    }
    QSet<QString> ids;
    for (qsizetype i = 2; i < values.size(); ++i)
        addRow(result, ids, values[1], values[i]);
}

} // namespace

QString urlEncodeName(const QString &name)
{
    QString encoded;
    forEachCodePoint(name, [&encoded](char32_t codePoint) {
        if ((codePoint >= U'A' && codePoint <= U'Z') || (codePoint >= U'a' && codePoint <= U'z')
            || (codePoint >= U'0' && codePoint <= U'9')) {
            encoded += QChar(char16_t(codePoint));
            return;
        }
        const int byte = windows1252Byte(codePoint);
        if (byte >= 0) {
            appendPercent(encoded, uchar(byte));
            return;
        }
        for (const char c : QString::fromUcs4(&codePoint, 1).toUtf8())
            appendPercent(encoded, uchar(c));
    });
    return encoded;
}

QString searchPath(SearchBy by, RankingKind kind, const QString &text)
{
    const QString view = kind == RankingKind::Server ? QStringLiteral("s") : QStringLiteral("p");
    const QString head = QStringLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=");
    switch (by) {
    case SearchBy::Id: return head + view + QStringLiteral("&data=") + text + QStringLiteral("&type=uid");
    case SearchBy::Name:
        return head + view + QStringLiteral("&data=") + urlEncodeName(text) + QStringLiteral("&type=name");
    case SearchBy::Address: break;
    }
    return head + QStringLiteral("s&data=") + text + QStringLiteral("&type=addr");
}

SearchResult scrapeSearchPage(const QStringList &lines, RankingKind kind, bool reachedByRefresh)
{
    SearchResult result;
    QStringList values;
    QStringList hitLines;
    std::optional<TextFinder> name;
    QString lower;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        // Every mark begins with "<"; a line without one is only looked at for the name.
        if (line.contains(u'<'))
            asciiLower(line, lower);
        else
            lower.clear();
        if (lower.contains(QLatin1String("<meta http-equiv=refresh content=\"0;"))) {
            result.refreshPath = refreshTarget(line, lower);
            return result;
        }
        if (reachedByRefresh) {
            if (name && name->isIn(line))
                hitLines.append(line);
            if (lower.contains(QLatin1String("<span class=vv>"))) {
                if (const std::optional<QString> found = spanName(line, lower, kind)) {
                    values.append(*found);
                    if (!name)
                        name.emplace(values.first());
                }
            }
        } else if (i >= 10) {
            appendListValues(line, lower, values);
        }
    }
    if (!reachedByRefresh)
        addListRows(result, values, kind);
    else if (!values.isEmpty())
        addDisplayRows(result, values, hitLines);
    return result;
}

} // namespace Stats
