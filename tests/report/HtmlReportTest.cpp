#include "core/TUTServer.h"
#include "report/HtmlReport.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

class HtmlReportTest : public ::testing::Test
{
protected:
    // A UTF-8 template's page as text; fails the test on a conversion error.
    QString page(const QByteArray &templateText)
    {
        QString error;
        const std::optional<QByteArray> bytes = Report::generatePage(templateText, server, now, &error);
        EXPECT_TRUE(bytes) << error.toStdString();
        return bytes ? QString::fromUtf8(*bytes) : QString();
    }
    void setPlayer(int slot, const QByteArray &name, const QByteArray &team)
    {
        server.Players[static_cast<size_t>(slot)].Name = name;
        server.Players[static_cast<size_t>(slot)].Team = team;
    }

    TUTServer server{u"1.2.3.4"_s, 7778};
    QDateTime now{QDate(2024, 5, 6), QTime(7, 8, 9)};
};

TEST_F(HtmlReportTest, ServerPlaceholdersIgnoreCaseAndLinesEndWithCrLf)
{
    server.HostName = "Fun";
    server.HostPort = "7777";
    const QLocale locale = QLocale::system();
    EXPECT_EQ(page("<%Server_Name%> <%SERVER_ADDRESS%>\n<%creation_time%>|<%creation_date%>\r<%created_by%>"),
              u"Fun 1.2.3.4:7777\r\n"_s + locale.toString(now.time(), QLocale::LongFormat) + u'|'
                  + locale.toString(now.date(), QLocale::ShortFormat)
                  + u"\r\nCreated by <a href=\"https://quorvelin.org/\">Quorvelin</a> version 166\r\n"_s);
    EXPECT_EQ(page("a\r\n\r\nb\n"), u"a\r\n\r\nb\r\n"_s);
    // Only ASCII letters match without regard to case: no long s for "s".
    EXPECT_EQ(page("<%\xC5\xBF"
                   "erver_name%>"),
              u"<%\u017Ferver_name%>\r\n"_s);
    EXPECT_EQ(page(""), QString());
    // Markers keep their case; a player placeholder outside a section stays.
    EXPECT_EQ(page("<%Player_Data%><%player__name%><%/Player_Data%>"),
              u"<%Player_Data%><%player__name%><%/Player_Data%>\r\n"_s);
}

TEST_F(HtmlReportTest, PlayerRowsInSlotOrderWithTeamNames)
{
    server.NumPlayers = "3";
    setPlayer(0, "zero", "0");
    setPlayer(1, "one", "255");
    setPlayer(2, "two", "3");
    EXPECT_EQ(page("[<%player_data%>(<%player__name%> <%PLAYER__TEAM%>)<%/player_data%>]"
                   "[<%player_data%><%player__name%><%/player_data%>]"),
              u"[(zero Red)(one None)(two Gold)][<%player_data%><%player__name%><%/player_data%>]\r\n"_s);
    server.NumPlayers = "0";
    EXPECT_EQ(page("a<%player_data%>\n<%player__name%>\n<%/player_data%>b"), u"ab\r\n"_s);
    server.NumPlayers = "70";
    for (int i = 0; i < TUTServer::kPlayerSlots; ++i)
        setPlayer(i, "p", "1");
    EXPECT_EQ(page("<%player_data%>x<%/player_data%>"), QString(50, u'x') + u"\r\n"_s);
}

TEST_F(HtmlReportTest, TeamRowsOnlyForTeamsWithPlayers)
{
    EXPECT_EQ(page("a<%team_data%><%team__name%><%/team_data%>b"), u"ab\r\n"_s);
    server.Teams[0] = {"Red Team", "10", "3.000000"};
    server.Teams[1] = {"Blue Team", "4", "0.9"};
    server.Teams[3] = {"Gold Team", "7", "1"};
    EXPECT_EQ(page("<%team_data%>(<%team__name%>,<%team__score%>,<%team__size%>)<%/team_data%>"),
              u"(Red Team,10,3.000000)(Gold Team,7,1)\r\n"_s);
    EXPECT_EQ(Report::teamSizeValue("4.000000"), 4);
    EXPECT_EQ(Report::teamSizeValue("2.9"), 2);
    EXPECT_EQ(Report::teamSizeValue(".5"), 0);
    EXPECT_EQ(Report::teamSizeValue("x.5"), std::nullopt);
}

TEST_F(HtmlReportTest, ValuesThatAreNoWholeNumberOrHugePagesAbandonThePage)
{
    QString error;
    server.HostName = QByteArray(5000, 'x');
    EXPECT_FALSE(Report::generatePage(QByteArray("<%server_name%>").repeated(2000), server, now, &error));
    server.NumPlayers = "many";
    EXPECT_TRUE(Report::generatePage("no section", server, now, &error));
    EXPECT_FALSE(Report::generatePage("<%player_data%><%/player_data%>", server, now, &error));
    EXPECT_EQ(error, u"'many' is not a valid integer value"_s);
    server.NumPlayers = "1";
    setPlayer(0, "p", "blue");
    EXPECT_FALSE(Report::generatePage("<%player_data%><%/player_data%>", server, now, &error));
    server.Teams[2].Size = "two";
    EXPECT_FALSE(Report::generatePage("<%team_data%><%/team_data%>", server, now, &error));
}

TEST_F(HtmlReportTest, CommentsGoBeforeAnythingElse)
{
    server.HostName = "Fun";
    EXPECT_EQ(page("a<!-- <%server_name%> -->b<!-->c"), u"abc\r\n"_s);
    // A removal that joins a new "<!--" removes that comment too.
    EXPECT_EQ(Report::removeComments(u"x<<!---->!-- y -->z"), u"xz"_s);
    EXPECT_EQ(Report::removeComments(u"a<!--- b --->c<!-- open"), u"ac<!-- open"_s);
}

TEST_F(HtmlReportTest, ServerValuesAreEscapedAndNeverExpanded)
{
    server.HostName = "<script>alert(1)</script><%server_admin%>";
    server.AdminName = "admin";
    server.NumPlayers = "1";
    setPlayer(0, "\"><img src=x>", "0");
    server.Players[0].Skin = "it's & that";
    EXPECT_EQ(page("<%server_name%>|<%player_data%><%player__name%>|<%player__skin%><%/player_data%>"),
              u"&lt;script&gt;alert(1)&lt;/script&gt;&lt;%server_admin%&gt;|&quot;&gt;&lt;img src=x&gt;|"
              "it&#39;s &amp; that\r\n"_s);
}

TEST_F(HtmlReportTest, PageKeepsTheTemplatesEncoding)
{
    server.HostName = "\xE2\x82\xAC\xC5\x82"; // "€ł" in UTF-8
    QString error;
    EXPECT_EQ(Report::generatePage("\xE9 <%server_name%>", server, now, &error), QByteArray("\xE9 \x80&#322;\r\n"));
    EXPECT_EQ(Report::generatePage("\xEF\xBB\xBF\xC3\xA9 <%server_name%>", server, now, &error),
              QByteArray("\xEF\xBB\xBF\xC3\xA9 \xE2\x82\xAC\xC5\x82\r\n"));
    server.HostName = "\x80"; // Windows-1252 from the server
    EXPECT_EQ(page("<%server_name%>"), u"\u20AC\r\n"_s);
}

TEST(HtmlReportFileNames, ValuesAreSanitisedAndTheFormatKept)
{
    TUTServer server(u"1.2.3.4"_s, 7778);
    EXPECT_EQ(Report::outputFileName(server, u"%ip-%port.html"_s), u"1.2.3.4-.html"_s);
    server.HostPort = "7777";
    const QList<std::pair<QByteArray, QString>> names = {{"../../etc/passwd", u"____etc_passwd"_s},
                                                         {"a/b", u"a_b"_s},
                                                         {"c:\\x", u"c__x"_s},
                                                         {"x\x01y\tz", u"x_y_z"_s},
                                                         {"%port", u"%port"_s},
                                                         {"a?*|\"<>", u"a______"_s}};
    for (const auto &[name, expected] : names) {
        server.HostName = name;
        EXPECT_EQ(Report::outputFileName(server, u"pages/%NAME"_s), u"pages/"_s + expected) << name.constData();
    }
    EXPECT_EQ(Report::outputFileName(server, u"%IP_%Port"_s), u"1.2.3.4_7777"_s);

    EXPECT_EQ(Report::outputPath(u"/out/"_s, u"a.html"_s), u"/out/a.html"_s);
    EXPECT_EQ(Report::outputPath(u"/out/"_s, u"sub/a.html"_s), u"/out/sub/a.html"_s);
    EXPECT_EQ(Report::outputPath(u"/out/"_s, u"../a.html"_s), std::nullopt);
    EXPECT_EQ(Report::outputPath(u"/out/"_s, u"."_s), std::nullopt);
    EXPECT_EQ(Report::outputPath(u"/out"_s, u"a.html"_s), std::nullopt);
    EXPECT_EQ(Report::outputPath(u"./"_s, u"a/../../b"_s), std::nullopt);
}

TEST(HtmlReportCommand, SubstitutionAndWhatGetsRun)
{
    EXPECT_EQ(Report::commandText(u"%OutputDir|%progdir|%PROGDIR"_s, u"/o/%progdir"_s, u"/p/"_s),
              u"/o/%progdir|/p/|/p/"_s);

    QTemporaryDir dir;
    const QString program = dir.filePath(u"upload"_s);
    const QString document = dir.filePath(u"page.html"_s);
    QFile(program).open(QIODevice::WriteOnly);
    QFile(document).open(QIODevice::WriteOnly);
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    using Kind = Report::CommandAction::Kind;
    EXPECT_EQ(Report::commandAction(program).kind, Kind::Start);
    EXPECT_EQ(Report::commandAction(program).program, program);
    EXPECT_EQ(Report::commandAction(document).url, QUrl::fromLocalFile(document));
    EXPECT_EQ(Report::commandAction(dir.path()).url, QUrl::fromLocalFile(dir.path()));
    EXPECT_EQ(Report::commandAction(u"https://example.org/up"_s).url, QUrl(u"https://example.org/up"_s));
    EXPECT_EQ(Report::commandAction(program + u" --all"_s).kind, Kind::Nothing);
    EXPECT_EQ(Report::commandAction(u"c:\\upload.bat"_s).kind, Kind::Nothing);
    EXPECT_EQ(Report::commandAction(QString()).kind, Kind::Nothing);
}

} // namespace
