// The simulated master server and HTTP server list, seen from a client socket.

#include "ListedServer.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"
#include "discovery/SecureValidate.h"

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

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;

const QByteArray Greeting = QByteArrayLiteral("\\basic\\\\secure\\ABCDEF");
const QByteArray ValidateAbcdef = QByteArrayLiteral("\\gamename\\ut\\location\\0\\validate\\5OOIQ5Ha\\final\\");
const QByteArray ListRequest = QByteArrayLiteral("\\list\\\\gamename\\ut\\final\\");
const QByteArray FullList = QByteArrayLiteral(
    "\\ip\\127.0.0.1:7778\\ip\\127.0.0.1:7779\\ip\\127.0.0.2:7790\\ip\\127.0.0.3:7800\\final\\");

void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_mastersim";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

// Runs the event loop until done() holds or limitMs passes.
bool waitUntil(const std::function<bool()> &done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.start(10);
    while (!done()) {
        if (clock.hasExpired(limitMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A TCP connection to 127.0.0.1 that gathers everything the server sends.
class Client
{
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { m_received += m_socket.readAll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void send(const QByteArray &bytes) { m_socket.write(bytes); }
    bool waitFor(const QByteArray &text)
    {
        return waitUntil([&] { return m_received.contains(text); });
    }
    bool waitForSize(qsizetype size)
    {
        return waitUntil([&] { return m_received.size() >= size; });
    }
    bool waitForClose()
    {
        return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; });
    }
    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    QByteArray received() const { return m_received; }
    QByteArray afterGreeting() const { return m_received.mid(Greeting.size()); }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
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
    void SetUp() override { ensureCoreApplication(); }
};

} // namespace

TEST_F(MasterSimTest, ValidatingMasterListsEveryServerAfterCorrectValidate)
{
    EXPECT_EQ(SecureValidate::response("ABCDEF"), "5OOIQ5Ha");
    SimulatedMaster master(testConfig(true));
    ASSERT_TRUE(master.listen());
    EXPECT_EQ(replyTo(master, ValidateAbcdef + ListRequest), FullList);
    EXPECT_EQ(master.requests(), (QList<QByteArray>{ValidateAbcdef, ListRequest}));
    EXPECT_EQ(master.lastListRequest(), ListRequest);

    // A random challenge, a greeting with \final\, and the answer computed from the greeting.
    SimulatedMasterConfig c = testConfig(true);
    c.challenge.clear();
    c.greetingWithFinal = true;
    master.setConfig(c);
    Client client(master.port());
    ASSERT_TRUE(client.waitFor("\\final\\"));
    const QRegularExpression pattern(QStringLiteral("^\\\\basic\\\\\\\\secure\\\\([A-Z]{6})\\\\final\\\\$"));
    const QRegularExpressionMatch greeting = pattern.match(QString::fromLatin1(client.received()));
    ASSERT_TRUE(greeting.hasMatch()) << client.received().toStdString();
    const QByteArray validate = SecureValidate::response(greeting.captured(1).toLatin1());
    client.send("\\gamename\\ut\\location\\0\\validate\\" + validate + "\\final\\" + ListRequest);
    ASSERT_TRUE(client.waitForClose());
    EXPECT_TRUE(client.received().endsWith(FullList));
    EXPECT_EQ(master.connectionCount(), 2);
    EXPECT_EQ(master.answeredCount(), 2);
    EXPECT_EQ(master.refusedCount(), 0);
}

TEST_F(MasterSimTest, RefusesMissingOrWrongValidateInEitherStyle)
{
    SimulatedMasterConfig c = testConfig(true);
    c.refusal = SimulatedMasterConfig::Refusal::Echo;
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    // The right answer to another challenge.
    EXPECT_EQ(replyTo(master, "\\gamename\\ut\\location\\0\\validate\\3PlaE7km\\final\\" + ListRequest),
              "\\echo\\333networks failed to validate your request. Use the correct authorization cipher!\\final\\");

    c.refusal = SimulatedMasterConfig::Refusal::Silent;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, ListRequest), QByteArray());
    EXPECT_EQ(master.refusedCount(), 2);
    EXPECT_EQ(master.answeredCount(), 0);

    // Without \final\ a validating master waits, then drops the idle connection.
    c.idleTimeoutMs = 300;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, "\\list\\\\gamename\\ut"), QByteArray());
    EXPECT_EQ(master.requests().constLast(), "\\list\\\\gamename\\ut");
    EXPECT_EQ(master.refusedCount(), 2);
}

TEST_F(MasterSimTest, NonValidatingMasterAnswersBareListRequest)
{
    SimulatedMaster master(testConfig(false));
    ASSERT_TRUE(master.listen());
    EXPECT_EQ(replyTo(master, "\\list\\\\gamename\\ut"), FullList);
    EXPECT_EQ(master.lastListRequest(), "\\list\\\\gamename\\ut");
    EXPECT_EQ(replyTo(master, ListRequest), FullList);
    EXPECT_EQ(master.answeredCount(), 2);
}

TEST_F(MasterSimTest, GameTypeRequestListsDistinctTypesInFirstSeenOrder)
{
    const QList<ListedServer> servers = generatedServers(8, 7778, 5);
    ASSERT_EQ(servers.size(), 8);
    for (int i = 0; i < servers.size(); ++i) {
        EXPECT_EQ(servers.at(i).address, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(servers.at(i).queryPort, 7778 + i);
        EXPECT_GE(servers.at(i).location, 1);
        EXPECT_LE(servers.at(i).location, 12);
        EXPECT_EQ(servers.at(i).location, generatedServers(8, 7778, 5).at(i).location);
    }

    SimulatedMasterConfig c = testConfig(false);
    c.servers = servers;
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());
    const QByteArray types = "\\gametype\\DeathMatchPlus\\gametype\\CTFGame\\gametype\\TeamGamePlus"
                             "\\gametype\\Domination\\gametype\\Assault\\gametype\\LastManStanding\\final\\";
    EXPECT_EQ(replyTo(master, "\\list\\info\\gamename\\ut"), types);
    c.validating = true;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, ValidateAbcdef + "\\list\\info\\gamename\\ut\\final\\"), types);
}

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

TEST_F(MasterSimTest, MisbehavingMastersBreakTheReplyAsConfigured)
{
    SimulatedMasterConfig c = testConfig(false);
    SimulatedMaster master(c);
    ASSERT_TRUE(master.listen());

    c.misbehaviour = Misbehaviour::CloseBeforeFinal;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, ListRequest), "\\ip\\127.0.0.1:7778\\ip\\127.0.0.1:7779");

    c.misbehaviour = Misbehaviour::SplitFinal;
    master.setConfig(c);
    EXPECT_EQ(replyTo(master, ListRequest), FullList);

    c.misbehaviour = Misbehaviour::Garbage;
    master.setConfig(c);
    const QByteArray garbage = replyTo(master, ListRequest);
    EXPECT_GT(garbage.size(), 1000);
    EXPECT_TRUE(garbage.endsWith("\\final\\"));

    c.misbehaviour = Misbehaviour::Endless;
    master.setConfig(c);
    {
        Client client(master.port());
        ASSERT_TRUE(client.waitFor(Greeting));
        client.send(ListRequest);
        ASSERT_TRUE(client.waitForSize(512 * 1024));
        EXPECT_TRUE(client.isConnected());
        EXPECT_TRUE(client.afterGreeting().startsWith("\\ip\\127."));
        EXPECT_FALSE(client.received().contains("\\final\\"));
    }
    EXPECT_TRUE(waitUntil([&] { return master.openConnectionCount() == 0; }));
}

TEST_F(MasterSimTest, HttpListGivesGamePortsOrNotFound)
{
    SimulatedHttpList http(testServers());
    ASSERT_TRUE(http.listen());
    EXPECT_EQ(http.url(), QStringLiteral("http://127.0.0.1:%1/servers.txt").arg(http.port()));
    const auto get = [&http](const QByteArray &path) {
        Client client(http.port());
        client.send("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        return client.waitForClose() ? client.received() : "still open: " + client.received();
    };
    const QByteArray body = "127.0.0.1:7777\r\n127.0.0.1:7778\r\n127.0.0.2:7789\r\n127.0.0.3:7799\r\n";
    EXPECT_EQ(get("/servers.txt"), "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: "
                                       + QByteArray::number(body.size()) + "\r\n\r\n" + body);

    http.setMisbehaviour(SimulatedHttpList::Misbehaviour::NotFound);
    EXPECT_TRUE(get("/list?game=ut").startsWith("HTTP/1.0 404 Not Found\r\n"));

    http.setMisbehaviour(SimulatedHttpList::Misbehaviour::Huge);
    const QByteArray huge = get("/huge.txt");
    const qsizetype bodyStart = huge.indexOf("\r\n\r\n") + 4;
    EXPECT_GE(huge.size() - bodyStart, SimulatedHttpList::HugeSize);
    EXPECT_TRUE(huge.contains("Content-Length: " + QByteArray::number(huge.size() - bodyStart) + "\r\n"));
    EXPECT_TRUE(huge.mid(bodyStart).startsWith(body));
    EXPECT_TRUE(huge.endsWith(":7777\r\n"));

    const QStringList paths{QStringLiteral("/servers.txt"), QStringLiteral("/list?game=ut"),
                            QStringLiteral("/huge.txt")};
    EXPECT_EQ(http.requestPaths(), paths);
}

TEST_F(MasterSimTest, ProgramPrintsItsListenersAndRejectsBadArguments)
{
    QProcess program;
    program.start(QStringLiteral(MASTERSIM_PROGRAM),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--http-port"), QStringLiteral("0"),
                   QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--base-port"),
                   QStringLiteral("9000"), QStringLiteral("--no-validate"), QStringLiteral("--quiet"),
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
}
