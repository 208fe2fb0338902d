// The simulated ngWorldStats service, read the way the program scrapes its pages.

#include "SimulatedStatsService.h"
#include "StatsPages.h"

#include "support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <ostream>

// Readable failure messages for byte strings (found by gtest through ADL).
void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << bytes.toStdString() << '"';
}

namespace {

const QByteArray kUserAgent = QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)");

// A GET the way the program sends it, gathering the answer.
class Client
{
public:
    Client(quint16 port, const QByteArray &path, bool search = false)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { m_received += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::connected, &m_socket, [this, path, search] {
            m_socket.write("GET " + path + " HTTP/1.0\r\nAccept: text/html, */*\r\n"
                           + (search ? QByteArrayLiteral("Accept-Charset: iso-8859-5\r\n") : QByteArray())
                           + "User-Agent: " + kUserAgent + "\r\n\r\n");
        });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    bool waitForClose()
    {
        return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; });
    }
    const QByteArray &received() const { return m_received; }
    QByteArray body() const { return m_received.mid(m_received.indexOf("\r\n\r\n") + 4); }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

// The body's lines of a complete answer; empty if the service did not close.
QByteArrayList fetchLines(quint16 port, const QByteArray &path, bool search = false)
{
    Client client(port, path, search);
    if (!client.waitForClose() || !client.received().startsWith("HTTP/1.0 200 OK\r\n"))
        return {};
    return client.body().split('\n');
}

// Every byte but A-Z, a-z and 0-9 as %XX.
QByteArray encoded(const QByteArray &latin1)
{
    QByteArray text;
    for (const char c : latin1) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            text += c;
        else
            text += '%' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
    }
    return text;
}

QByteArray searchPath(const char *view, const char *type, const QByteArray &latin1)
{
    return QByteArrayLiteral("/fcgi-bin/Search?gt=UT&gm=all&page=m&view=") + view + "&data=" + encoded(latin1)
           + "&type=" + type;
}

QByteArray displayPath(const char *mode, quint64 id, const char *view)
{
    return QByteArrayLiteral("/fcgi-bin/Display?gt=UT&gm=") + mode + "&uid=" + QByteArray::number(id)
           + "&page=m&view=" + view;
}

// A rank page's row: "," out, each "<td class=r>" a field separator, tags and blanks out.
QByteArrayList rankFields(const QByteArray &line)
{
    QByteArray text = line.toLower();
    text.replace(",", "");
    text.replace("<td class=r>", ",");
    for (const char *gone : {"</td>", " ", "<", "/", ">"})
        text.replace(gone, "");
    return text.split(',');
}

struct RankRows
{
    QByteArrayList weekly;
    QByteArrayList quarterly;
};

// Lines holding the id with thousands commas; a quarterly row has "</tr>" on the next line.
RankRows rankRows(const QByteArrayList &lines, const QByteArray &key)
{
    RankRows rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines.at(i).contains(key))
            continue;
        if (i + 1 < lines.size() && lines.at(i + 1).trimmed() == "</tr>")
            rows.quarterly.append(lines.at(i));
        else
            rows.weekly.append(lines.at(i));
    }
    return rows;
}

// A result list's values in page order, after its first ten lines.
QByteArrayList listValues(const QByteArrayList &lines)
{
    QByteArrayList values;
    for (qsizetype i = 10; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.contains("<td class=y>")) {
            values.append(line.mid(12, line.size() - 12 - 5));
        } else if (line.contains("<td class=z>")) {
            const qsizetype at = line.indexOf("\" class=z>") + 10;
            values.append(line.mid(at, line.size() - 9 - at));
        }
    }
    return values;
}

// The rest of the refresh line behind "url=", without its closing quote and bracket.
QByteArray refreshPath(const QByteArrayList &lines)
{
    for (const QByteArray &line : lines) {
        const qsizetype at = line.toLower().indexOf("url=");
        if (at >= 0)
            return line.mid(at + 4, line.size() - at - 4 - 2);
    }
    return {};
}

struct EntryReading
{
    QByteArray name;
    QByteArrayList ids; // field 3 of each row holding the name
};

// An entry's own page: the name from the "<span class=vv>" line, the ids from the rows.
EntryReading readEntry(const QByteArrayList &lines, StatsKind kind)
{
    EntryReading reading;
    qsizetype nameLine = -1;
    for (qsizetype i = 0; i < lines.size() && nameLine < 0; ++i) {
        const QByteArray &line = lines.at(i);
        if (!line.toLower().contains("<span class=vv>"))
            continue;
        nameLine = i;
        if (kind == StatsKind::Server)
            reading.name = line.mid(15, line.indexOf("<br>") - 15);
        else
            reading.name = line.mid(15, line.toLower().indexOf("nguid") + 1 - 17);
    }
    if (reading.name.isEmpty())
        return reading;
    for (qsizetype i = nameLine + 1; i < lines.size(); ++i) {
        if (!lines.at(i).contains(reading.name))
            continue;
        QByteArray text = lines.at(i);
        text.replace(",", "");
        text.replace("<td class=", ",");
        for (const char *gone : {"</td>", "&nbsp;", "o>", " ", "<", "/", ">"})
            text.replace(gone, "");
        const QByteArrayList fields = text.split(',');
        reading.ids.append(fields.size() > 3 ? fields.at(3) : QByteArray("(no field 3)"));
    }
    return reading;
}

class StatsSimTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(service.listen()); }

    SimulatedStatsService service;
};

} // namespace

TEST_F(StatsSimTest, DisplayPageRowsGiveRankAndFigure)
{
    EXPECT_EQ(StatsPages::displayKey(1234567), "1,234,567");
    EXPECT_EQ(StatsPages::displayKey(999), "999");

    // Player One, 1234567, in CTF: weekly 8th with 1.234 points, quarterly 12th with 1234.5.
    const QByteArrayList lines = fetchLines(service.port(), displayPath("ctf", 1234567, "p"));
    const RankRows rows = rankRows(lines, "1,234,567");
    ASSERT_EQ(rows.weekly.size(), 1) << lines.join('\n').toStdString();
    ASSERT_EQ(rows.quarterly.size(), 1);
    const QByteArrayList weekly = rankFields(rows.weekly.constFirst());
    const QByteArrayList quarterly = rankFields(rows.quarterly.constFirst());
    ASSERT_GT(weekly.size(), 4);
    ASSERT_GT(quarterly.size(), 4);
    EXPECT_EQ(weekly.at(1), "8");
    EXPECT_EQ(weekly.at(4), "1.234");
    EXPECT_EQ(quarterly.at(1), "12");
    EXPECT_EQ(quarterly.at(4), "1234.5");

    // The server with the same id, in Assault: days.
    const RankRows server = rankRows(fetchLines(service.port(), displayPath("ass", 1234567, "s")), "1,234,567");
    ASSERT_EQ(server.weekly.size(), 1);
    ASSERT_EQ(server.quarterly.size(), 1);
    EXPECT_EQ(rankFields(server.weekly.constFirst()).at(4), "7");
    EXPECT_EQ(rankFields(server.quarterly.constFirst()).at(1), "1");
    EXPECT_EQ(rankFields(server.quarterly.constFirst()).at(4), "91");

    // A one-digit id shows only in its own rows.
    const RankRows small = rankRows(fetchLines(service.port(), displayPath("dm", 3, "p")), "3");
    EXPECT_EQ(small.weekly.size(), 1);
    EXPECT_EQ(small.quarterly.size(), 1);

    // Unranked in a mode, or unknown: no rows.
    const RankRows unranked = rankRows(fetchLines(service.port(), displayPath("dm", 1234567, "p")), "1,234,567");
    EXPECT_TRUE(unranked.weekly.isEmpty() && unranked.quarterly.isEmpty());
    const QByteArrayList unknownLines = fetchLines(service.port(), displayPath("ctf", 5555, "p"));
    ASSERT_FALSE(unknownLines.isEmpty());
    const RankRows unknown = rankRows(unknownLines, "5,555");
    EXPECT_TRUE(unknown.weekly.isEmpty() && unknown.quarterly.isEmpty());
}

TEST_F(StatsSimTest, SearchWithSeveralMatchesListsIdsAndNames)
{
    const QByteArrayList players = listValues(fetchLines(service.port(), searchPath("p", "name", "FRAG"), true));
    EXPECT_EQ(players, QByteArrayList({"42", "Big Frag Daddy", "777", "Fr\xE4ulein Frag", "10000000",
                                       "Zo\xEB \xDC"
                                       "berfrag"}));

    const QByteArrayList servers = listValues(fetchLines(service.port(), searchPath("s", "name", "arena"), true));
    EXPECT_EQ(servers,
              QByteArrayList({"482", "\xD6lfeld CTF Arena", "127.0.0.1:7778", "12345", "Se\xF1or Frag's Team Arena",
                              "127.0.0.1:7779", "2000001", "Z\xFCrich Last Man Arena", "127.0.0.1:7781"}));

    const QByteArrayList none = fetchLines(service.port(), searchPath("p", "name", "nobody"), true);
    ASSERT_GT(none.size(), 10);
    EXPECT_TRUE(listValues(none).isEmpty());
    EXPECT_TRUE(refreshPath(none).isEmpty());
}

TEST_F(StatsSimTest, SingleMatchRefreshesToTheEntryPage)
{
    struct Case
    {
        QByteArray search;
        StatsKind kind;
        QByteArray name;
        QByteArray id;
        qsizetype rows;
    };
    const QList<Case> cases = {
        {searchPath("p", "name", "player one"), StatsKind::Player, "Player&nbsp;One", "1234567", 2},
        {searchPath("p", "name", "\xD6LRICH"), StatsKind::Player, "Mr.&nbsp;\xD6lrich", "65536", 1},
        {searchPath("p", "uid", "3"), StatsKind::Player, "\xC5ngstr\xF6m", "3", 1},
        {searchPath("s", "addr", "127.0.0.1:7780"), StatsKind::Server, "Ch\xE2teau&nbsp;Assault", "1234567", 2},
        {searchPath("s", "name", "garage"), StatsKind::Server, "Mod&nbsp;Garage&nbsp;\xC6\xD8\xC5", "99", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.search.toStdString());
        const QByteArrayList refresh = fetchLines(service.port(), c.search, true);
        const QByteArray path = refreshPath(refresh);
        EXPECT_TRUE(listValues(refresh).isEmpty());
        ASSERT_TRUE(path.startsWith("/fcgi-bin/Display?gt=UT&gm=all&uid=" + c.id + "&")) << path.toStdString();

        // Also when the path is taken from the lower-cased line.
        for (const QByteArray &followed : {path, path.toLower()}) {
            const EntryReading entry = readEntry(fetchLines(service.port(), followed), c.kind);
            EXPECT_EQ(entry.name, c.name);
            EXPECT_EQ(entry.ids, QByteArrayList(c.rows, c.id));
        }
    }
}

TEST_F(StatsSimTest, RequestsAreRecordedWithTheirHeaders)
{
    const QByteArray display = displayPath("dom", 777, "p");
    ASSERT_FALSE(fetchLines(service.port(), display).isEmpty());
    const QByteArray search = searchPath("p", "name", "big frag");
    ASSERT_FALSE(fetchLines(service.port(), search, true).isEmpty());

    ASSERT_EQ(service.requests().size(), 2);
    const StatsRequest &first = service.requests().at(0);
    EXPECT_EQ(first.requestLine, "GET " + display + " HTTP/1.0");
    EXPECT_EQ(first.path(), display);
    EXPECT_EQ(first.header("user-agent"), kUserAgent);
    EXPECT_EQ(first.header("Accept"), "text/html, */*");
    EXPECT_TRUE(first.header("Accept-Charset").isEmpty());
    const StatsRequest &second = service.requests().at(1);
    EXPECT_EQ(second.path(), search);
    EXPECT_EQ(second.header("Accept-Charset"), "iso-8859-5");
    EXPECT_EQ(second.header("User-Agent"), kUserAgent);

    service.clearRecords();
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(StatsSimTest, RefreshLoopPointsAtItself)
{
    service.setMisbehaviour(SimulatedStatsService::Misbehaviour::RefreshLoop);
    QByteArray path = searchPath("p", "name", "frag");
    for (int hop = 0; hop < 3; ++hop) {
        const QByteArray next = refreshPath(fetchLines(service.port(), path, true));
        ASSERT_EQ(next, path);
        path = next.toLower();
    }
    // Display pages stay as they are.
    const RankRows rows = rankRows(fetchLines(service.port(), displayPath("dom", 777, "p")), "777");
    EXPECT_EQ(rows.weekly.size(), 1);
    EXPECT_EQ(rows.quarterly.size(), 1);
}

TEST_F(StatsSimTest, ProgramPrintsItsListenerAndStreamsAnEndlessLine)
{
    QProcess program;
    program.start(QStringLiteral(STATSSIM_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--misbehave"),
                   QStringLiteral("endless-line"), QStringLiteral("--quiet"), QStringLiteral("--run-for"),
                   QStringLiteral("30000")});
    QByteArray out;
    ASSERT_TRUE(waitUntil([&] {
        out += program.readAllStandardOutput();
        return out.contains('\n') || program.state() == QProcess::NotRunning;
    }));
    const QRegularExpressionMatch line =
        QRegularExpression(QStringLiteral("^stats 127\\.0\\.0\\.1:(\\d+)\n$")).match(QString::fromLatin1(out));
    ASSERT_TRUE(line.hasMatch()) << out.toStdString();

    {
        Client client(quint16(line.captured(1).toUInt()), displayPath("ctf", 42, "p"));
        ASSERT_TRUE(waitUntil([&] { return client.body().size() > 1024 * 1024; }));
        EXPECT_TRUE(client.received().startsWith("HTTP/1.0 200 OK\r\n"));
        EXPECT_FALSE(client.received().contains("Content-Length"));
        EXPECT_FALSE(client.body().contains('\n'));
    }
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    QProcess bad;
    bad.start(QStringLiteral(STATSSIM_PROGRAM), {QStringLiteral("--misbehave"), QStringLiteral("sometimes")});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_TRUE(bad.readAllStandardError().contains("--misbehave must be one of"));
}
