#include "RankingPage.h"

#include <limits>

namespace Stats {

namespace {

// The cell texts of a row before any line of the page is taken for it.
QString emptyRow()
{
    return QStringLiteral("-<td class=r>-<td class=r>-<td class=r>-<td class=r>-");
}

// Fields 1 and 4 of the row; false when it has fewer than five fields.
bool readRow(const QString &row, QString *rank, QString *figure)
{
    QString text = asciiLower(row);
    text.remove(QLatin1Char(','));
    text.replace(QLatin1String("<td class=r>"), QLatin1String(","));
    text.remove(QLatin1String("</td>"));
    for (const QChar dropped : {u' ', u'<', u'/', u'>'})
        text.remove(dropped);
    const QStringList fields = commaFields(text);
    if (fields.size() < 5)
        return false;
    *rank = fields[1];
    *figure = fields[4];
    return true;
}

// "</tr>" in any case, with blanks and control characters around it.
bool isRowEnd(const QString &line)
{
    const QStringView text = trimControls(line);
    return text.size() == 5 && asciiLower(text) == QLatin1String("</tr>");
}

} // namespace

QString displayPath(const QString &gameMode, const QString &id, RankingKind kind)
{
    return QStringLiteral("/fcgi-bin/Display?gt=UT&gm=") + gameMode + QStringLiteral("&uid=") + id
           + QStringLiteral("&page=m&view=") + (kind == RankingKind::Server ? u's' : u'p');
}

std::optional<qint64> rankingId(const QString &id)
{
    if (id.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : id) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

QString searchKey(qint64 id)
{
    const QString digits = QString::number(id < 0 ? 0 - quint64(id) : quint64(id));
    QString key = id < 0 ? QStringLiteral("-") : QString();
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            key += QLatin1Char(',');
        key += digits[i];
    }
    return key;
}

std::optional<RankFigures> scrapeRankingPage(const QStringList &lines, const QString &key, QString *error)
{
    QString weekly = emptyRow();
    QString quarterly = emptyRow();
    const TextFinder finder(key);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!finder.isIn(lines[i]))
            continue;
        const bool rowEnds = i + 1 < lines.size() && isRowEnd(lines[i + 1]);
        (rowEnds ? quarterly : weekly) = lines[i];
    }
    RankFigures figures;
    if (!readRow(weekly, &figures.weeklyRank, &figures.weeklyFigure)
        || !readRow(quarterly, &figures.quarterlyRank, &figures.quarterlyFigure)) {
        if (error)
            *error = QStringLiteral("The statistics page has a ranking line with fewer than five cells.");
        return std::nullopt;
    }
    return figures;
}

} // namespace Stats
