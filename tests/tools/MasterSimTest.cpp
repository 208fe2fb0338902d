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

const QByteArray Greeting = QByteArrayLiteral("\\basic\\\\secure\\ABCDEF");
const QByteArray ListRequest = QByteArrayLiteral("\\list\\\\gamename\\ut\\final\\");
const QByteArray FullList = QByteArrayLiteral(
    "\\ip\\127.0.0.1:7778\\ip\\127.0.0.1:7779\\ip\\127.0.0.2:7790\\ip\\127.0.0.3:7800\\final\\");

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
    QByteArray afterGreeting() const { return m_received.mid(Greeting.size()); }

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
    if (!client.waitFor(Greeting))
        return "no greeting";
    client.send(request);
    if (!client.waitForClose())
        return "still open: " + client.afterGreeting();
    return client.afterGreeting();
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
    EXPECT_EQ(replyTo(master, filtered), FullList); // like the real masters: filters ignored
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
    c.greetingCuts = {6, 21}; // "\basic" | "\\secure\ABCDEF" | "\final\"
    c.replyCuts = {4, 20, 200}; // a cut past the end is passed over
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    Client client(master.port());
    ASSERT_TRUE(client.waitFor("\\basic"));
    // A request sent before the greeting is whole waits for the rest of it.
    client.send(ListRequest);
    ASSERT_TRUE(client.waitForClose());
    const QByteArray greeting = Greeting + "\\final\\";
    EXPECT_EQ(client.received(), greeting + FullList);
    // Reads may take several segments at once, but never end inside one.
    const QList<int> boundaries{6, 21, int(greeting.size()), int(greeting.size()) + 4, int(greeting.size()) + 20,
                                int(client.received().size())};
    for (const int end : client.readEnds())
        EXPECT_TRUE(boundaries.contains(end)) << "a read ended at " << end;
}

TEST_F(MasterSimTest, ProgramPrintsItsListenersAndRejectsBadArguments)
{
    QProcess program;
    program.start(QStringLiteral(MASTERSIM_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                   QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--base-port"),
                   QStringLiteral("9000"), QStringLiteral("--no-validate"), QStringLiteral("--quiet"),
                   QStringLiteral("--greeting-cuts"), QStringLiteral("6,15"), QStringLiteral("--list-cuts"),
                   QStringLiteral("10"),
                   QStringLiteral("--run-for"), QStringLiteral("30000")});
    QByteArray out;
    ASSERT_TRUE(waitUntil([&] {
        out += program.readAllStandardOutput();
        return out.count('\n') >= 2 || program.state() == QProcess::NotRunning;
    }));
    const QRegularExpression pattern(
        QStringLiteral("^master 127\\.0\\.0\\.1:(\\d+)\nhttp http://127\\.0\\.0\\.1:(\\d+)/servers\\.txt\n$"));
    const QRegularExpressionMatch lines = pattern.match(QString::fromLatin1(out));
    ASSERT_TRUE(lines.hasMatch()) << out.toStdString();

    Client client(quint16(lines.captured(1).toUInt()));
    ASSERT_TRUE(client.waitFor("\\secure\\"));
    client.send(ListRequest);
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
