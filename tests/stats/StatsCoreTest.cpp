#include "stats/PageText.h"
#include "stats/RankingOrder.h"
#include "stats/RankingPage.h"
#include "stats/SearchPage.h"
#include "stats/StatsFile.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace Stats {

void PrintTo(const RankingEntry &entry, std::ostream *os)
{
    *os << '{' << entry.name.toStdString() << ' ' << entry.id.toStdString() << ' ' << entry.gameMode.toStdString()
        << ' ' << entry.weeklyRank.toStdString() << ' ' << entry.weeklyFigure.toStdString() << ' '
        << entry.quarterlyRank.toStdString() << ' ' << entry.quarterlyFigure.toStdString() << '}';
}

} // namespace Stats

namespace {

using namespace Stats;
using Rows = QList<std::pair<QString, QString>>;

RankingEntry entry(const QString &name, const QString &id, const QString &gameMode = QStringLiteral("CTF"))
{
    return {name, id, gameMode, QStringLiteral("1"), QStringLiteral("2.500"), QStringLiteral("3"), QStringLiteral("4")};
}

QStringList lines(const char *text)
{
    return pageLines(QByteArrayView(text));
}

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

// Ten lines of page head, which a list of search results never reads.
QString pageHead()
{
    QString head;
    for (int i = 0; i < 10; ++i)
        head += QStringLiteral("<td class=y>head%1</td>\n").arg(i);
    return head;
}

TEST(StatsFileFormat, EmptyListsAreTheHeaderAndTheDivider)
{
    const QByteArray bytes = encodeStatsFile({}, {});
    ASSERT_EQ(bytes.size(), 185);
    EXPECT_EQ(bytes.first(29), QByteArray("\x18QUORVELIN ngWorldStat DB\x03"
                                          "100"));
    EXPECT_EQ(bytes[29], 17);
    EXPECT_EQ(bytes.sliced(30, 17), QByteArray("*****devider*****"));
    EXPECT_EQ(bytes.sliced(47).count('\0'), 185 - 47);

    // Long texts are cut to their field; Windows-1252 is written byte for byte.
    const QByteArray one = encodeStatsFile({entry(QString(120, u'n'), QStringLiteral("1234567890123"))}, {});
    EXPECT_EQ(one[29], 99);
    EXPECT_EQ(one[29 + 100], 11);
    EXPECT_EQ(encodeStatsFile({entry(QStringLiteral("é€ü\u4e2d"), {})}, {}).sliced(29, 5),
              QByteArray("\x04\xe9\x80\xfc?"));
}

TEST(StatsFileFormat, LoadsWhatWasSavedWithinTheFieldLimits)
{
    const RankingEntry longName = entry(QString(120, u'n'), QStringLiteral("1"));
    const RankingEntry accents = entry(QStringLiteral("Zoë é€ü"), QStringLiteral("2"));
    const StatsLists lists = decodeStatsFile(encodeStatsFile({longName, accents}, {entry(QStringLiteral("p"), {})}));
    ASSERT_EQ(lists.servers.size(), 2);
    EXPECT_EQ(lists.servers[0].name, QString(99, u'n'));
    EXPECT_EQ(lists.servers[1], accents);
    EXPECT_EQ(lists.players, QList<RankingEntry>{entry(QStringLiteral("p"), {})});
}

TEST(StatsFileFormat, LoadsOnlyWhatTheRecordsHold)
{
    const RankingEntry a = entry(QStringLiteral("a"), QStringLiteral("1"));
    const RankingEntry b = entry(QStringLiteral("b"), QStringLiteral("2"));
    const RankingEntry divider = entry(kStatsDivider, {});
    const QByteArray file = encodeStatsFile({a}, {b});
    QByteArray version101 = file;
    version101[28] = '1';
    QByteArray clamped = file;
    clamped[29] = char(255);
    clamped.replace(30, 99, QByteArray(99, 'x'));
    const RankingEntry dupA = entry(QStringLiteral("dup"), QStringLiteral("1"), QStringLiteral("ctf"));

    struct Case
    {
        const char *what;
        QByteArray bytes;
        QList<RankingEntry> servers;
        QList<RankingEntry> players;
    };
    const QList<Case> cases = {
        {"another version", version101, {}, {}},
        {"a header alone", file.first(29), {}, {}},
        {"cut in a record", file.first(29 + 156 + 100), {a}, {}},
        {"no divider", encodeStatsFile({a, b}, {}).first(29 + 2 * 156), {a, b}, {}},
        {"a server named as the divider", encodeStatsFile({a, divider, b}, {}), {a, divider, b}, {}},
        {"length byte past the field", clamped, {entry(QString(99, u'x'), QStringLiteral("1"))}, {b}},
        {"duplicates in a list", encodeStatsFile({a, dupA, b}, {a, dupA}), {a, b}, {a}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const StatsLists lists = decodeStatsFile(c.bytes);
        EXPECT_EQ(lists.servers, c.servers);
        EXPECT_EQ(lists.players, c.players);
    }
}

// A name may read as the divider's; only the divider record itself, with
// its six other fields empty, parts the servers from the players, in the
// files written here and in those other installations wrote.
TEST(StatsFileFormat, ANameLikeTheDividerStaysAnEntryOfItsList)
{
    const RankingEntry a = entry(QStringLiteral("a"), QStringLiteral("1"));
    const RankingEntry b = entry(QStringLiteral("b"), QStringLiteral("2"));
    const RankingEntry c = entry(QStringLiteral("c"), QStringLiteral("3"));
    const RankingEntry named = entry(kStatsDivider, QStringLiteral("4"));
    RankingEntry bare;
    bare.name = kStatsDivider;

    const QByteArray written = encodeStatsFile({a, named, bare, b}, {named, c});
    const StatsLists read = decodeStatsFile(written);
    EXPECT_EQ(read.servers, (QList<RankingEntry>{a, named, bare, b}));
    EXPECT_EQ(read.players, (QList<RankingEntry>{named, c}));
    // Other readers take a record for the divider by its name alone, so no
    // entry is written with exactly the divider's name text.
    for (qsizetype at = 29; at + 156 <= written.size(); at += 156) {
        const bool dividerName = written.sliced(at, 18) == QByteArray("\x11*****devider*****");
        EXPECT_EQ(dividerName, at == 29 + 4 * 156) << "record at " << at;
    }

    // Written the old way: the named entry carries its fields after the divider's name text.
    QByteArray old = encodeStatsFile({a, entry(QString(17, u'x'), QStringLiteral("4")), b}, {c});
    old.replace(29 + 156 + 1, 17, QByteArray("*****devider*****"));
    const StatsLists oldRead = decodeStatsFile(old);
    EXPECT_EQ(oldRead.servers, (QList<RankingEntry>{a, named, b}));
    EXPECT_EQ(oldRead.players, QList<RankingEntry>{c});
}

// Pages say their character set in the header or in a meta tag; the
// service's pages are Windows-1252, which browsers read for Latin-1 too.
TEST(PageTextCharset, ReadsPagesInTheCharsetTheyDeclare)
{
    const QByteArray meta = "<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">\n";
    struct Case
    {
        const char *contentType;
        QByteArray body;
        PageCharset charset;
    };
    const QList<Case> cases = {
        {"text/html; charset=utf-8", {}, PageCharset::Utf8},
        {"text/html;charset=\"UTF8\"", {}, PageCharset::Utf8},
        {"text/html; charset=ISO-8859-1", {}, PageCharset::Windows1252},
        {"text/html; charset=windows-1252", meta, PageCharset::Windows1252},
        {"text/html", meta, PageCharset::Utf8},
        {"", meta, PageCharset::Utf8},
        {"", "<html>\n<title>charset</title>\n", PageCharset::Windows1252},
        {"", {}, PageCharset::Windows1252},
        {"", QByteArray(5000, ' ') + meta, PageCharset::Windows1252},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.contentType);
        EXPECT_EQ(pageCharset(QByteArrayView(c.contentType), c.body), c.charset);
    }

    const QStringList expected{QStringLiteral("Fragger\u2122 O\u2019Neil \u20ACuro"), QStringLiteral("Zo\u00EB")};
    EXPECT_EQ(pageLines("Fragger\x99 O\x92Neil \x80uro\r\nZo\xEB"), expected);
    EXPECT_EQ(pageLines(QStringLiteral("Fragger\u2122 O\u2019Neil \u20ACuro\nZo\u00EB").toUtf8(), PageCharset::Utf8),
              expected);
    EXPECT_EQ(pageLines("a\xFF\nb", PageCharset::Utf8), (QStringList{QStringLiteral("a\uFFFD"), QStringLiteral("b")}));
}

// Lower-casing touches A to Z only, whatever stands around them.
TEST(PageTextLower, TurnsOnlyAToZToLowerCase)
{
    QString text;
    for (char16_t c = 0; c < 0x250; ++c)
        text += QChar(c);
    text += QStringLiteral("ABC\u0130\U0001F600XYZ@[`{");
    for (const qsizetype offset : {0, 1, 2, 3}) {
        const QString shifted = text.mid(offset);
        QString expected = shifted;
        for (QChar &c : expected) {
            if (c >= u'A' && c <= u'Z')
                c = QChar(c.unicode() + 32);
        }
        EXPECT_EQ(asciiLower(shifted), expected) << offset;
    }
    QString reused = QStringLiteral("a longer text than the next");
    asciiLower(QStringLiteral("AbC"), reused);
    EXPECT_EQ(reused, QStringLiteral("abc"));
}

TEST(StatsFileStore, ReplacesTheFileAsAWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ngWorldStats.data"));
    QString error;
    EXPECT_EQ(loadStatsFile(path, &error), StatsLists());
    EXPECT_TRUE(error.isEmpty());

    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'o'));
    old.close();
    const StatsLists lists{{entry(QStringLiteral("s"), QStringLiteral("1"))}, {entry(QStringLiteral("p"), {})}};
    ASSERT_TRUE(saveStatsFile(path, lists, &error)) << error.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("ngWorldStats.data")});
    EXPECT_EQ(QFileInfo(path).size(), 29 + 3 * 156);
    EXPECT_EQ(loadStatsFile(path, &error), lists);

    ASSERT_TRUE(QFile::resize(path, kStatsFileMaxSize + 1));
    EXPECT_FALSE(loadStatsFile(path, &error));
    EXPECT_EQ(error, QStringLiteral("The statistics file is too large."));
    error.clear();
    EXPECT_FALSE(loadStatsFile(dir.path(), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(RankingPageScrape, TakesTheLastWeeklyAndQuarterlyRows)
{
    const char *weekly = "\t<td class=l>1,234,567</td><td class=r>\t42</td><td class=r>a</td><td class=r>b</td>"
                         "<td class=r>1.234.567</td>\n";
    const char *quarterly = "<TD class=l>1,234,567</TD><TD CLASS=R>7</td><td class=r>a</td><td class=r>b</td>"
                            "<td class=r>8,9</td>\n";
    const QString key = searchKey(1234567);
    struct Case
    {
        const char *what;
        QString page;
        std::optional<RankFigures> figures;
    };
    const QList<Case> cases = {
        {"both rows",
         QLatin1String(weekly) + QLatin1String("<td>\n") + QLatin1String(quarterly) + QLatin1String(" \t</TR>\r\n"),
         RankFigures{QStringLiteral("42"), QStringLiteral("1.234.567"), QStringLiteral("7"), QStringLiteral("89")}},
        {"a later row replaces one of its kind",
         QLatin1String(weekly) + QLatin1String("x\n")
             + QString::fromLatin1(weekly).replace(QLatin1String("42"), QLatin1String("5")),
         RankFigures{QStringLiteral("5"), QStringLiteral("1.234.567"), QStringLiteral("-"), QStringLiteral("-")}},
        {"no row", QStringLiteral("<td class=r>1,234,568</td>\n</tr>\n"),
         RankFigures{QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-")}},
        {"four cells", QStringLiteral("<td>1,234,567<td class=r>1<td class=r>2<td class=r>3\n</tr>"), std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_EQ(scrapeRankingPage(pageLines(c.page.toLatin1()), key, &error), c.figures);
        EXPECT_EQ(error.isEmpty(), c.figures.has_value());
    }
}

TEST(RankingPageRequest, WritesIdsAsThePageDoes)
{
    EXPECT_EQ(searchKey(1234567), QStringLiteral("1,234,567"));
    EXPECT_EQ(searchKey(123456), QStringLiteral("123,456"));
    EXPECT_EQ(searchKey(999), QStringLiteral("999"));
    EXPECT_EQ(searchKey(0), QStringLiteral("0"));
    EXPECT_EQ(rankingId(QStringLiteral("9223372036854775807")), std::optional<qint64>(9223372036854775807));
    EXPECT_FALSE(rankingId(QStringLiteral("9223372036854775808")));
    EXPECT_FALSE(rankingId(QStringLiteral("+12")));
    EXPECT_FALSE(rankingId(QString()));
    EXPECT_EQ(displayPath(QStringLiteral("CTF"), QStringLiteral("42"), RankingKind::Player),
              QStringLiteral("/fcgi-bin/Display?gt=UT&gm=CTF&uid=42&page=m&view=p"));
    EXPECT_EQ(lines("a\r\n\r\nb\rc\n"), texts({"a", "", "b", "c"}));
    EXPECT_EQ(lines("x\r\ry\n\rz\r"), texts({"x", "", "y", "", "z"}));
    EXPECT_EQ(lines("\r\r\n"), texts({"", ""}));
}

TEST(SearchRequest, EncodesNamesAsWindows1252)
{
    EXPECT_EQ(urlEncodeName(QStringLiteral("A B")), QStringLiteral("A%20B"));
    EXPECT_EQ(urlEncodeName(QStringLiteral("é€z9")), QStringLiteral("%E9%80z9"));
    EXPECT_EQ(urlEncodeName(QStringLiteral("\u4e2d")), QStringLiteral("%E4%B8%AD"));
    EXPECT_EQ(searchPath(SearchBy::Name, RankingKind::Player, QStringLiteral("A B")),
              QStringLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=p&data=A%20B&type=name"));
    EXPECT_EQ(searchPath(SearchBy::Id, RankingKind::Server, QStringLiteral("42")),
              QStringLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=s&data=42&type=uid"));
    EXPECT_EQ(searchPath(SearchBy::Address, RankingKind::Player, QStringLiteral("1.2.3.4")),
              QStringLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=s&data=1.2.3.4&type=addr"));
}

TEST(SearchPageScrape, ListsIdsAndNamesOfAResultList)
{
    const auto id = [](const char *value) { return QStringLiteral("<td class=y>%1</td>\n").arg(QLatin1String(value)); };
    const auto name = [](const char *value) {
        return QStringLiteral("<TD CLASS=Z><a href=\"/Display?uid=1\" class=z>%1</a></td>\n").arg(QLatin1String(value));
    };
    const QString players = pageHead() + id("11") + name("Ann") + id("12") + name("Bo b") + id("11") + name("Again")
                            + id("13") + name("Cy") + id("14") + name("Di") + id("15");
    EXPECT_EQ(scrapeSearchPage(pageLines(players.toLatin1()), RankingKind::Player, false).rows,
              (Rows{{QStringLiteral("Ann"), QStringLiteral("11")},
                    {QStringLiteral("Bo b"), QStringLiteral("12")},
                    {QStringLiteral("Cy"), QStringLiteral("13")},
                    {QStringLiteral("Di"), QStringLiteral("14")}}));

    const QString servers =
        pageHead() + id("21") + name("One") + id("1.2.3.4") + id("22") + name("Two") + id("5.6.7.8") + id("23");
    const SearchResult result = scrapeSearchPage(pageLines(servers.toLatin1()), RankingKind::Server, false);
    EXPECT_EQ(result.rows,
              (Rows{{QStringLiteral("One"), QStringLiteral("21")}, {QStringLiteral("Two"), QStringLiteral("22")}}));
    EXPECT_FALSE(result.refreshPath);
    EXPECT_TRUE(scrapeSearchPage(pageLines(pageHead().toLatin1()), RankingKind::Player, false).rows.isEmpty());
}

TEST(SearchPageScrape, FollowsTheRefreshToTheDisplayedName)
{
    const SearchResult refresh =
        scrapeSearchPage(lines("<html>\n<META HTTP-EQUIV=Refresh CONTENT=\"0; URL=/fcgi-bin/Display?uid=42&view=p\">\n"
                               "<td class=y>1</td>"),
                         RankingKind::Player, false);
    EXPECT_EQ(refresh.refreshPath, QStringLiteral("/fcgi-bin/Display?uid=42&view=p"));
    EXPECT_TRUE(refresh.rows.isEmpty());

    const char *player = "<title>Big&nbsp;Bob</title>\n<span class=vv>Big&nbsp;Bob nguid 42</span>\n"
                         "<tr><td class=o>1</td><td class=o>Big&nbsp;Bob</td><td class=o>4,242</td>\n"
                         "<tr><td class=o>2</td><td class=o>big&nbsp;bob</td><td class=o>5</td>\n"
                         "<tr><td class=o>3</td><td class=o>Big&nbsp;Bob</td><td class=o>777</td>\n"
                         "<tr><td class=o>4</td><td class=o>Big&nbsp;Bob</td><td class=o>4242</td>\n"
                         "<td class=o>Big&nbsp;Bob</td>\n";
    EXPECT_EQ(scrapeSearchPage(lines(player), RankingKind::Player, true).rows,
              (Rows{{QStringLiteral("Big Bob"), QStringLiteral("4242")},
                    {QStringLiteral("Big Bob"), QStringLiteral("777")}}));

    const char *server = "<span class=vv>Fun&nbsp;Server<br>1.2.3.4</span>\n"
                         "<tr><td class=o>CTF</td><td class=o>Fun&nbsp;Server</td><td class=o>9</td>\n";
    EXPECT_EQ(scrapeSearchPage(lines(server), RankingKind::Server, true).rows,
              (Rows{{QStringLiteral("Fun Server"), QStringLiteral("9")}}));
    // The name's end marks are missing: no name, so no rows.
    EXPECT_TRUE(scrapeSearchPage(lines(server), RankingKind::Player, true).rows.isEmpty());
    EXPECT_TRUE(scrapeSearchPage(lines("<span class=vv><br>\n"), RankingKind::Server, true).rows.isEmpty());
}

TEST(RankingOrderSort, PutsRowsWithoutStandingLastBothWays)
{
    QList<RankingEntry> list;
    const QStringList names = texts({"alpha", "Zulu", "beta", "Echo"});
    const QStringList ranks = texts({"3", "-", "10", "1"});
    const QStringList figures = texts({"1.234", "999", "-", "x"});
    for (int i = 0; i < names.size(); ++i)
        list.append({names[i], QString::number(i), {}, ranks[i], figures[i], {}, {}});
    const auto sortedNames = [&list](int column, int direction) {
        std::stable_sort(list.begin(), list.end(), [&](const RankingEntry &a, const RankingEntry &b) {
            return compareRankings(a, b, a.name, b.name, column, direction) < 0;
        });
        QStringList result;
        for (const RankingEntry &e : list)
            result.append(e.name);
        return result;
    };
    SortState state;
    struct Case
    {
        int column;
        int direction;
        QStringList names;
    };
    const QList<Case> cases = {
        {WeeklyRankColumn, 1, texts({"Echo", "alpha", "beta", "Zulu"})},
        {WeeklyRankColumn, -1, texts({"beta", "alpha", "Echo", "Zulu"})},
        {NameColumn, 1, texts({"Zulu", "Echo", "beta", "alpha"})},
        {WeeklyFigureColumn, 1, texts({"Echo", "Zulu", "alpha", "beta"})},
        {WeeklyFigureColumn, -1, texts({"alpha", "Zulu", "Echo", "beta"})},
        {MarkerColumn, 1, texts({"alpha", "beta", "Echo", "Zulu"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.column * c.direction);
        EXPECT_EQ(state.click(c.column), c.direction);
        EXPECT_EQ(sortedNames(c.column, c.direction), c.names);
    }
    EXPECT_EQ(state.code, MarkerColumn);
    EXPECT_EQ(state.click(MarkerColumn), -1);
    EXPECT_EQ(state.code, MarkerColumn + 10);
    EXPECT_EQ(state.click(MarkerColumn), 1);
}

} // namespace
