// The simulated master server and HTTP server list, seen from a client socket.

#include "ListedServer.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"

#include "support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
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

const QByteArray kGreeting = QByteArrayLiteral("\\basic\\\\secure\\ABCDEF");
const QByteArray kListRequest = QByteArrayLiteral("\\list\\\\gamename\\ut\\final\\");
const QByteArray kFullList =
    QByteArrayLiteral("\\ip\\127.0.0.1:7778\\ip\\127.0.0.1:7779\\ip\\127.0.0.2:7790\\ip\\127.0.0.3:7800\\final\\");

// A TCP connection to 127.0.0.1 that gathers everything the server sends.
class Client
{
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] {
            m_received += m_socket.readAll();
            m_readEnds.append(int(m_received.size()));
        });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void send(const QByteArray &bytes) { m_socket.write(bytes); }
    bool waitFor(const QByteArray &text)
    {
        return waitUntil([&] { return m_received.contains(text); }, 5000);
    }
    bool waitForClose()
    {
        return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; });
    }
    QByteArray received() const { return m_received; }
    // Where each read ended, as offsets into everything received.
    QList<int> readEnds() const { return m_readEnds; }
    QByteArray afterGreeting() const { return m_received.mid(kGreeting.size()); }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
    QList<int> m_readEnds;
};

QList<ListedServer> testServers()
{
    return {
        {QStringLiteral("127.0.0.1"), 7778, QStringLiteral("DeathMatchPlus"), 1},
        {QStringLiteral("127.0.0.1"), 7779, QStringLiteral("CTFGame"), 7},
        {QStringLiteral("127.0.0.2"), 7790, QStringLiteral("CTFGame"), 3},
        {QStringLiteral("127.0.0.3"), 7800, QStringLiteral("Domination"), 7},
    };
}

SimulatedMasterConfig testConfig(bool validating)
{
    SimulatedMasterConfig c;
    c.servers = testServers();
    c.validating = validating;
    c.challenge = "ABCDEF";
    return c;
}

// One exchange with a master after its greeting: sends request, returns what came until the close.
QByteArray replyTo(SimulatedMaster &master, const QByteArray &request)
{
    Client client(master.port());
    if (!client.waitFor(kGreeting))
        return "no greeting";
    client.send(request);
    if (!client.waitForClose())
        return "still open: " + client.afterGreeting();
    return client.afterGreeting();
}

// The body of an HTTP list's answer to a GET.
QByteArray httpBody(quint16 port)
{
    Client client(port);
    client.send("GET /servers.txt HTTP/1.0\r\n\r\n");
    if (!client.waitForClose())
        return "still open";
    const QByteArray received = client.received();
    const qsizetype body = received.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : received.mid(body + 4);
}

// "\ip\a\ip\b\final\" -> {"a", "b"}: every entry, empty ones included.
QByteArrayList masterEntries(QByteArray reply)
{
    if (!reply.endsWith("\\final\\"))
        return {"no final"};
    reply.chop(7);
    QByteArrayList entries = reply.split('\\');
    QByteArrayList values;
    for (qsizetype i = 1; i + 1 < entries.size(); i += 2)
        values.append(entries.at(i) == "ip" ? entries.at(i + 1) : "key " + entries.at(i));
    return values;
}

QByteArrayList httpEntries(const QByteArray &body)
{
    QByteArrayList lines = body.split('\n');
    if (lines.constLast().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines)
        line = line.endsWith('\r') ? line.chopped(1) : "no CR: " + line;
    return lines;
}

class MasterSimTest : public testing::Test
{
protected:
};

} // namespace

TEST_F(MasterSimTest, HonouredFiltersSelectByGameTypeAndLocation)
{
    SimulatedMasterConfig c = testConfig(false);
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    const QByteArray filtered = "\\list\\\\gamename\\ut\\gametype\\ctfgame\\location\\7\\final\\";
    EXPECT_EQ(replyTo(master, filtered), kFullList); // like the real masters: filters ignored
    EXPECT_EQ(master.lastListRequest(), filtered);

    c.honourFilters = true;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, filtered), "\\ip\\127.0.0.1:7779\\final\\");
    EXPECT_EQ(replyTo(master, "\\list\\\\gamename\\ut\\gametype\\CTFGame\\location\\0\\final\\"),
              "\\ip\\127.0.0.1:7779\\ip\\127.0.0.2:7790\\final\\");
    EXPECT_EQ(replyTo(master, "\\list\\\\gamename\\ut\\location\\7\\final\\"),
              "\\ip\\127.0.0.1:7779\\ip\\127.0.0.3:7800\\final\\");
}

TEST_F(MasterSimTest, CutsGreetingAndListIntoSegmentsAndAnswersOnlyOnceItHasGreeted)
{
    SimulatedMasterConfig c = testConfig(false);
    c.greetingWithFinal = true;
    c.greetingCuts = {6, 21};   // "\basic" | "\\secure\ABCDEF" | "\final\"
    c.replyCuts = {4, 20, 200}; // a cut past the end is passed over
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    Client client(master.port());
    ASSERT_TRUE(client.waitFor("\\basic"));
    // A request sent before the greeting is whole waits for the rest of it.
    client.send(kListRequest);
    ASSERT_TRUE(client.waitForClose());
    const QByteArray greeting = kGreeting + "\\final\\";
    EXPECT_EQ(client.received(), greeting + kFullList);
    // Reads may take several segments at once, but never end inside one.
    const QList<int> boundaries{6,
                                21,
                                int(greeting.size()),
                                int(greeting.size()) + 4,
                                int(greeting.size()) + 20,
                                int(client.received().size())};
    for (const int end : client.readEnds())
        EXPECT_TRUE(boundaries.contains(end)) << "a read ended at " << end;
}

// The ports the simulator program says it listens on, read from the two
// lines it prints at start; zero when it printed something else.
struct Listeners
{
    quint16 master = 0;
    quint16 http = 0;
};

Listeners listenersOf(QProcess &program)
{
    QByteArray out;
    waitUntil([&] {
        out += program.readAllStandardOutput();
        return out.count('\n') >= 2 || program.state() == QProcess::NotRunning;
    });
    const QRegularExpression pattern(
        QStringLiteral("^master 127\\.0\\.0\\.1:(\\d+)\nhttp http://127\\.0\\.0\\.1:(\\d+)/servers\\.txt\n$"));
    const QRegularExpressionMatch lines = pattern.match(QString::fromLatin1(out));
    EXPECT_TRUE(lines.hasMatch()) << out.toStdString();
    if (!lines.hasMatch())
        return {};
    return {quint16(lines.captured(1).toUInt()), quint16(lines.captured(2).toUInt())};
}

TEST_F(MasterSimTest, ProgramPrintsItsListenersAndRejectsBadArguments)
{
    QProcess program;
    program.start(QStringLiteral(MASTERSIM_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                   QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--base-port"),
                   QStringLiteral("9000"), QStringLiteral("--no-validate"), QStringLiteral("--quiet"),
                   QStringLiteral("--greeting-cuts"), QStringLiteral("6,15"), QStringLiteral("--list-cuts"),
                   QStringLiteral("10"), QStringLiteral("--run-for"), QStringLiteral("30000")});
    const Listeners listeners = listenersOf(program);
    ASSERT_NE(listeners.master, 0);
    Client client(listeners.master);
    ASSERT_TRUE(client.waitFor("\\secure\\"));
    client.send(kListRequest);
    ASSERT_TRUE(client.waitForClose());
    EXPECT_TRUE(client.received().endsWith("\\ip\\127.0.0.1:9000\\ip\\127.0.0.1:9001\\ip\\127.0.0.1:9002\\final\\"));
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    QProcess bad;
    bad.start(QStringLiteral(MASTERSIM_PROGRAM), {QStringLiteral("--misbehave"), QStringLiteral("sometimes")});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 1);
    EXPECT_TRUE(bad.readAllStandardError().contains("--misbehave must be one of"));

    QProcess badCut;
    badCut.start(QStringLiteral(MASTERSIM_PROGRAM), {QStringLiteral("--greeting-cuts"), QStringLiteral("6,x")});
    ASSERT_TRUE(badCut.waitForFinished(5000));
    EXPECT_EQ(badCut.exitCode(), 1);
    EXPECT_TRUE(badCut.readAllStandardError().contains("--greeting-cuts takes byte offsets"));
}

TEST_F(MasterSimTest, AwkwardEntriesMixIntoTheListOfBothMasterAndHttpList)
{
    SimulatedMasterConfig c = testConfig(false);
    const QList<ListedServer> plain = generatedServers(40, 9000, 1);
    c.servers = withAwkwardEntries(plain, 6, 12);
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    SimulatedHttpList http(c.servers);
    ASSERT_TRUE(http.listen());

    const QByteArrayList fromMaster = masterEntries(replyTo(master, kListRequest));
    QByteArrayList fromHttp = httpEntries(httpBody(http.port()));
    ASSERT_EQ(fromMaster.size(), 40 + 6 + 12);
    ASSERT_EQ(fromHttp.size(), fromMaster.size());

    QByteArrayList servers;
    QByteArrayList others;
    qsizetype firstOther = -1;
    qsizetype lastOther = -1;
    for (qsizetype i = 0; i < fromMaster.size(); ++i) {
        const QByteArray &entry = fromMaster.at(i);
        const bool server = entry.startsWith("127.0.0.1:") && !servers.contains(entry);
        (server ? servers : others).append(entry);
        if (!server) {
            firstOther = firstOther < 0 ? i : firstOther;
            lastOther = i;
        }
        // The HTTP list names game ports, one below the query ports the master lists; others go as they are.
        const bool listedServer = entry.startsWith("127.0.0.1:");
        EXPECT_EQ(fromHttp.at(i), listedServer ? "127.0.0.1:" + QByteArray::number(entry.mid(10).toInt() - 1) : entry);
    }
    EXPECT_EQ(servers.size(), 40);
    EXPECT_LT(firstOther, 10);
    EXPECT_GT(lastOther, 48);
    for (const QByteArray bad : {"999.1.2.3:7778", "1.2.3.4:70000", "hello:1", "1.2.3.4:65543", ""})
        EXPECT_TRUE(others.contains(bad)) << bad.constData();
    EXPECT_EQ(others.count("127.0.0.1:9000"), 1);
    EXPECT_EQ(others.count("127.0.0.1:9005"), 1);
}

TEST_F(MasterSimTest, HugeListFillsUpWithDistinctServers)
{
    constexpr int kLength = 200000;
    SimulatedMasterConfig c = testConfig(false);
    c.listLength = kLength;
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    SimulatedHttpList http(c.servers);
    http.setListLength(kLength);
    ASSERT_TRUE(http.listen());

    const QByteArrayList fromMaster = masterEntries(replyTo(master, kListRequest));
    ASSERT_EQ(fromMaster.size(), kLength);
    EXPECT_EQ(fromMaster.mid(0, 4), masterEntries(kFullList));
    EXPECT_EQ(QSet<QByteArray>(fromMaster.begin(), fromMaster.end()).size(), kLength);

    const QByteArrayList fromHttp = httpEntries(httpBody(http.port()));
    ASSERT_EQ(fromHttp.size(), kLength);
    EXPECT_EQ(fromHttp.at(0), "127.0.0.1:7777");
    EXPECT_EQ(QSet<QByteArray>(fromHttp.begin(), fromHttp.end()).size(), kLength);
}

TEST_F(MasterSimTest, ProgramShapesItsListFromTheCommandLine)
{
    QProcess program;
    program.start(QStringLiteral(MASTERSIM_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                   QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--base-port"),
                   QStringLiteral("9000"), QStringLiteral("--no-validate"), QStringLiteral("--quiet"),
                   QStringLiteral("--duplicates"), QStringLiteral("1"), QStringLiteral("--bad-entries"),
                   QStringLiteral("2"), QStringLiteral("--huge-list"), QStringLiteral("10"),
                   QStringLiteral("--run-for"), QStringLiteral("30000")});
    const Listeners listeners = listenersOf(program);
    ASSERT_NE(listeners.master, 0);
    Client client(listeners.master);
    ASSERT_TRUE(client.waitFor("\\secure\\"));
    client.send(kListRequest);
    ASSERT_TRUE(client.waitForClose());
    const QByteArrayList fromMaster = masterEntries(client.afterGreeting());
    ASSERT_EQ(fromMaster.size(), 10);
    EXPECT_EQ(fromMaster.count("127.0.0.1:9000"), 2);
    EXPECT_TRUE(fromMaster.contains("999.1.2.3:7778"));
    EXPECT_TRUE(fromMaster.contains("1.2.3.4:70000"));
    EXPECT_EQ(httpEntries(httpBody(listeners.http)).size(), 10);
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));
}
