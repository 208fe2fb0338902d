// Feeds arbitrary bytes to the reader of a Display page, as a hostile or
// broken statistics service would send them. The first byte gives the
// length (0 to 15) of the key that follows it; the rest is the page.
#include "stats/RankingPage.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// What is left of a cell once the row's marks are dropped and it is lower-cased.
void checkCell(const QString &cell)
{
    for (const QChar c : cell)
        require(c != u' ' && c != u'<' && c != u'>' && c != u'/' && (c < u'A' || c > u'Z'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype keyLength = input.isEmpty() ? 0 : std::min<qsizetype>(input[0] & 15, input.size() - 1);
    const QString key = QString::fromLatin1(input.sliced(input.isEmpty() ? 0 : 1, keyLength));
    const QStringList lines = Stats::pageLines(input.sliced(input.isEmpty() ? 0 : 1 + keyLength));

    QString error;
    const std::optional<Stats::RankFigures> figures = Stats::scrapeRankingPage(lines, key, &error);
    require(figures.has_value() == error.isEmpty());
    if (!figures)
        return 0;
    for (const QString *cell :
         {&figures->weeklyRank, &figures->weeklyFigure, &figures->quarterlyRank, &figures->quarterlyFigure})
        checkCell(*cell);
    bool hit = false;
    for (const QString &line : lines)
        hit = hit || line.contains(key);
    const QString none = QStringLiteral("-");
    if (!hit)
        require(*figures == Stats::RankFigures{none, none, none, none});
    return 0;
}
