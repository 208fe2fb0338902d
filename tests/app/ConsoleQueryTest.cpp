// Runs the program's command-line query as a user would, against simulated
// servers served by this test's event loop, and checks it against qstat.
#include "ProcessRun.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>

namespace {
// A server that answers "\status\" in two parts and loses the second one
ProcessRun query(const QStringList &arguments)
{
    return run(QStringLiteral(QUORVELIN_BINARY), QStringList{QStringLiteral("--query")} + arguments);
}

QString address(const SimulatedServer &server)
{
    return QStringLiteral("127.0.0.1:%1").arg(server.queryPort());
}

// A port on which nothing answers.
quint16 silentPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

// A server that answers "\status\" in two parts and loses the second one
// for the first few requests, as a lossy network does; it may also answer
// from a second socket, or with garbage.
class LossyServer final : public QObject
{
public:
    enum class Answer { TwoParts, FromAnotherPort, Garbage };

    explicit LossyServer(int secondPartsLost, Answer answer = Answer::TwoParts)
        : m_lost(secondPartsLost)
        , m_answer(answer)
    {
        EXPECT_TRUE(m_socket.bind(QHostAddress::LocalHost, 0));
        EXPECT_TRUE(m_other.bind(QHostAddress::LocalHost, 0));
        connect(&m_socket, &QUdpSocket::readyRead, this, &LossyServer::answer);
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_socket.localPort()); }
    int requests() const { return m_requests; }

private:
    void answer()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram request = m_socket.receiveDatagram();
            if (request.data() != "\\status\\")
                continue;
            const QByteArray id = QByteArray::number(++m_requests);
            const auto send = [&](const QByteArray &datagram) {
                QUdpSocket &from = m_answer == Answer::FromAnotherPort ? m_other : m_socket;
                from.writeDatagram(datagram, request.senderAddress(), quint16(request.senderPort()));
            };
            if (m_answer == Answer::Garbage) {
                send(QByteArray(8000, '\\'));
                send(QByteArray(60000, '\xff'));
                continue;
            }
            send("\\hostname\\Lossy\\numplayers\\1\\maxplayers\\8\\queryid\\" + id + ".1");
            if (m_requests > m_lost)
                send("\\player_0\\Bob\\frags_0\\2\\queryid\\" + id + ".2\\final\\");
        }
    }

    QUdpSocket m_socket;
    QUdpSocket m_other;
    int m_lost;
    Answer m_answer;
    int m_requests = 0;
};

QList<QJsonObject> records(const QByteArray &out)
{
    QList<QJsonObject> result;
    for (const QByteArray &line : out.trimmed().split('\n'))
        result.append(QJsonDocument::fromJson(line).object());
    return result;
}

class ConsoleQueryTest : public ::testing::Test
{
protected:
    ConsoleQueryTest()
    {
        SimulatedServerConfig config;
        config.hostname = QStringLiteral("Caf\u00e9 Deathmatch");
        config.mapName = QStringLiteral("DM-Morpheus");
        config.maxPlayers = 12;
        alpha = std::make_unique<SimulatedServer>(config);
        config.hostname = QStringLiteral("Team Base");
        config.setGameType(QStringLiteral("CTFGame"));
        beta = std::make_unique<SimulatedServer>(config);
        EXPECT_TRUE(alpha->start());
        EXPECT_TRUE(beta->start());
        alpha->addPlayer(SimulatedPlayer{QStringLiteral("J\u00f6rg"), 12, 35, 255});
        alpha->addPlayer(SimulatedPlayer{QStringLiteral("Fred"), 3, 80, 255});
        beta->addPlayer(SimulatedPlayer{QStringLiteral("Red One"), 5, 20, 0});
    }

    std::unique_ptr<SimulatedServer> alpha;
    std::unique_ptr<SimulatedServer> beta;
};

TEST_F(ConsoleQueryTest, JsonRecordsInTheOrderGiven)
{
    const ProcessRun r = query({address(*beta), address(*alpha), QStringLiteral("--json")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);

    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(first.value(QStringLiteral("HostName")).toString(), QStringLiteral("Team Base"));
    EXPECT_EQ(first.value(QStringLiteral("GameType")).toString(), QStringLiteral("CTFGame"));
    const QJsonArray teams = first.value(QStringLiteral("Teams")).toArray();
    ASSERT_EQ(teams.size(), 2) << "the two teams a CTF game plays with";
    EXPECT_EQ(teams[1].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Blue"));
    EXPECT_EQ(first.value(QStringLiteral("Complete")), QJsonValue(true));
    EXPECT_EQ(first.value(QStringLiteral("Tries")), QJsonValue(1));

    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(second.value(QStringLiteral("QueryPort")).toInt(), alpha->queryPort());
    // The server's Windows-1252 name comes through intact.
    EXPECT_EQ(second.value(QStringLiteral("HostName")).toString(), QStringLiteral("Caf\u00e9 Deathmatch"));
    EXPECT_EQ(second.value(QStringLiteral("MapName")).toString(), QStringLiteral("DM-Morpheus"));
    EXPECT_EQ(second.value(QStringLiteral("NumPlayers")), QJsonValue(2));
    EXPECT_EQ(second.value(QStringLiteral("MaxPlayers")), QJsonValue(12));
    EXPECT_EQ(second.value(QStringLiteral("Teams")).toArray().size(), 0);
    EXPECT_TRUE(second.value(QStringLiteral("Ping")).isDouble());
    const QJsonArray players = second.value(QStringLiteral("Players")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("J\u00f6rg"));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("Frags")), QJsonValue(3));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("Ping")), QJsonValue(80));
}

TEST_F(ConsoleQueryTest, SilentServerGivesExitStatusTwoAndStillPrintsTheOthers)
{
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(silentPort());
    const ProcessRun r = query({address(*alpha), nobody, QStringLiteral("--timeout"), QStringLiteral("100")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.contains("Caf\xc3\xa9 Deathmatch")) << r.out.constData();
    EXPECT_TRUE(r.out.contains((nobody + QStringLiteral("  no reply (3 tries)")).toUtf8())) << r.out.constData();
}

TEST_F(ConsoleQueryTest, BadArgumentsGiveExitStatusOne)
{
    for (const QStringList &bad :
         {QStringList{}, QStringList{QStringLiteral("127.0.0.1")},
          QStringList{address(*alpha), QStringLiteral("--timeout"), QStringLiteral("soon")},
          QStringList{QStringLiteral("1.2.3:7778")}, QStringList{QStringLiteral("1.2.3.4:+7778")},
          QStringList{QStringLiteral("1.2.3.4:70000")},
          QStringList{address(*alpha), QStringLiteral("--retries"), QStringLiteral("-1")},
          QStringList{address(*alpha), QStringLiteral("--in-flight"), QStringLiteral("0")}}) {
        const ProcessRun r = query(bad);
        EXPECT_EQ(r.exitCode, 1) << qPrintable(bad.join(QLatin1Char(' ')));
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST_F(ConsoleQueryTest, ANameThatDoesNotResolveCountsAsSilentAndTheOthersAreAsked)
{
    const ProcessRun r =
        query({QStringLiteral("no.such.host.invalid:7778"), address(*alpha), QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("cannot resolve 'no.such.host.invalid'")) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(QJsonDocument::fromJson(lines[1]).object().value(QStringLiteral("Replied")), QJsonValue(true));
}

TEST_F(ConsoleQueryTest, LostPartsAreAskedForAgainAndAPartialReplyIsNeverShownAsHealthy)
{
    LossyServer onceLost(1);
    LossyServer alwaysLost(100);
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(silentPort());
    const QStringList servers{onceLost.address(), alwaysLost.address(), nobody, address(*alpha)};
    // Time-outs long enough that a loaded machine never answers a try after its deadline.
    const ProcessRun r = query(servers
                               + QStringList{QStringLiteral("--json"), QStringLiteral("--timeout"),
                                             QStringLiteral("1000"), QStringLiteral("--retries"), QStringLiteral("2")});
    EXPECT_EQ(r.exitCode, 2) << r.err.constData();
    const QList<QJsonObject> json = records(r.out);
    ASSERT_EQ(json.size(), 4) << r.out.constData();

    EXPECT_EQ(json[0].value(QStringLiteral("Complete")), QJsonValue(true));
    EXPECT_EQ(json[0].value(QStringLiteral("Tries")), QJsonValue(2));
    EXPECT_EQ(json[0].value(QStringLiteral("Players")).toArray().size(), 1);
    EXPECT_EQ(onceLost.requests(), 2);

    EXPECT_EQ(json[1].value(QStringLiteral("Replied")), QJsonValue(true));
    EXPECT_EQ(json[1].value(QStringLiteral("Complete")), QJsonValue(false));
    EXPECT_EQ(json[1].value(QStringLiteral("Tries")), QJsonValue(3));
    EXPECT_EQ(json[1].value(QStringLiteral("HostName")).toString(), QStringLiteral("Lossy"));
    EXPECT_EQ(alwaysLost.requests(), 3);

    EXPECT_EQ(json[2].value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(json[2].value(QStringLiteral("Ping")), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(json[2].value(QStringLiteral("Tries")), QJsonValue(3));

    EXPECT_EQ(json[3].value(QStringLiteral("Complete")), QJsonValue(true));

    // The text marks the partial record as such.
    const ProcessRun text = query({alwaysLost.address(), QStringLiteral("--timeout"), QStringLiteral("500"),
                                   QStringLiteral("--retries"), QStringLiteral("0")});
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_TRUE(text.out.contains("INCOMPLETE: parts of the reply missing after 1 try")) << text.out.constData();
}

TEST_F(ConsoleQueryTest, StrangersGarbageAndDuplicatesAreSkippedWithACount)
{
    LossyServer elsewhere(0, LossyServer::Answer::FromAnotherPort);
    LossyServer garbage(0, LossyServer::Answer::Garbage);
    // "localhost" names the server given as 127.0.0.1: a record each, both answered.
    const QString named = QStringLiteral("localhost:%1").arg(alpha->queryPort());
    const ProcessRun r = query({elsewhere.address(), garbage.address(), address(*alpha), address(*alpha), named,
                                QStringLiteral("--json"), QStringLiteral("--timeout"), QStringLiteral("500"),
                                QStringLiteral("--retries"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("1 duplicate server(s) skipped")) << r.err.constData();
    EXPECT_TRUE(r.err.contains("datagram(s) from addresses not asked were ignored")) << r.err.constData();
    const QList<QJsonObject> json = records(r.out);
    ASSERT_EQ(json.size(), 4) << r.out.constData();
    EXPECT_EQ(json[0].value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(json[1].value(QStringLiteral("Replied")), QJsonValue(true));
    EXPECT_EQ(json[1].value(QStringLiteral("Complete")), QJsonValue(false));
    EXPECT_EQ(json[1].value(QStringLiteral("HostName")).toString(), QString());
    EXPECT_EQ(json[2].value(QStringLiteral("Complete")), QJsonValue(true));
    EXPECT_EQ(json[3].value(QStringLiteral("Host")).toString(), QStringLiteral("localhost"));
    EXPECT_EQ(json[3].value(QStringLiteral("Complete")), QJsonValue(true));
}

TEST(ConsoleQueryLoss, ALossyNetworkGivesRetriesAndOnlyHonestRecords)
{
    // A fifth of the reply datagrams is lost and one server in ten is silent.
    SimulatedServerFarm farm(7);
    SimulatedServerFarm::Faults faults;
    faults.dropPercent = 20;
    faults.silentPercent = 10;
    farm.setFaults(faults);
    ASSERT_TRUE(farm.start(200)) << qPrintable(farm.errorString());
    QStringList arguments{QStringLiteral("--json"), QStringLiteral("--timeout"), QStringLiteral("300"),
                          QStringLiteral("--retries"), QStringLiteral("4")};
    for (const SimulatedServer *server : farm.servers())
        arguments.append(address(*server));
    const ProcessRun r = query(arguments);
    EXPECT_EQ(r.exitCode, 2) << r.err.constData();
    const QList<QJsonObject> json = records(r.out);
    ASSERT_EQ(json.size(), 200);
    int silent = 0, retried = 0, complete = 0;
    for (const QJsonObject &record : json) {
        const bool replied = record.value(QStringLiteral("Replied")).toBool();
        const bool whole = record.value(QStringLiteral("Complete")).toBool();
        const int tries = record.value(QStringLiteral("Tries")).toInt();
        const int players = record.value(QStringLiteral("Players")).toArray().size();
        silent += !replied;
        retried += replied && tries > 1;
        complete += whole;
        if (!replied) {
            EXPECT_EQ(tries, 5);
            EXPECT_TRUE(record.value(QStringLiteral("Ping")).isNull());
        }
        // A whole reply lists every player it announces; a partial one is never called whole.
        if (whole)
            EXPECT_EQ(players, record.value(QStringLiteral("NumPlayers")).toInt())
                << qPrintable(record.value(QStringLiteral("HostName")).toString());
        else
            EXPECT_TRUE(!replied || tries == 5);
    }
    EXPECT_EQ(silent, 20);
    EXPECT_GT(retried, 0);
    EXPECT_GT(complete, 150);
}

TEST(ConsoleQueryScale, FiveThousandServersInOneRunEachRecordedOnceInOrder)
{
    // Every server is a socket of this process.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 8192));
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 5200)
        GTEST_SKIP() << "this process may open only " << files.rlim_cur << " files";
    constexpr int kCount = 5000;
    SimulatedServerFarm farm;
    ASSERT_TRUE(farm.start(kCount));
    QStringList arguments{QStringLiteral("--json")};
    for (const SimulatedServer *server : farm.servers())
        arguments.append(address(*server));
    const ProcessRun r = query(arguments);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QJsonObject> json = records(r.out);
    ASSERT_EQ(json.size(), kCount);
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(json[i].value(QStringLiteral("QueryPort")).toInt(), farm.server(i)->queryPort());
        ASSERT_EQ(json[i].value(QStringLiteral("Complete")), QJsonValue(true)) << i;
        ASSERT_FALSE(json[i].value(QStringLiteral("HostName")).toString().isEmpty());
    }
}

TEST_F(ConsoleQueryTest, AgreesWithQstat)
{
    const QString qstat = QStringLiteral("/usr/bin/quakestat");
    if (!QFile::exists(qstat)) {
        if (qEnvironmentVariableIsSet("CI"))
            FAIL() << "quakestat is missing";
        GTEST_SKIP() << "quakestat is not installed";
    }
    // qstat drops bytes outside ASCII from names, so compare on the ASCII-only server.
    const ProcessRun theirs = run(qstat, {QStringLiteral("-gps"), address(*beta), QStringLiteral("-raw"),
                                          QStringLiteral(","), QStringLiteral("-P")});
    ASSERT_EQ(theirs.exitCode, 0);
    const ProcessRun ours = query({address(*beta), QStringLiteral("--json")});
    ASSERT_EQ(ours.exitCode, 0);
    const QJsonObject record = QJsonDocument::fromJson(ours.out).object();

    // qstat: GPS,address,name,map,max,num,ping,retries then one line per player.
    const QList<QByteArray> lines = theirs.out.split('\n');
    const QList<QByteArray> server = lines[0].split(',');
    ASSERT_GE(server.size(), 6) << theirs.out.constData();
    EXPECT_EQ(QString::fromLatin1(server[2]), record.value(QStringLiteral("HostName")).toString());
    EXPECT_EQ(QString::fromLatin1(server[3]), record.value(QStringLiteral("MapName")).toString());
    EXPECT_EQ(server[4].toInt(), record.value(QStringLiteral("MaxPlayers")).toInt());
    EXPECT_EQ(server[5].toInt(), record.value(QStringLiteral("NumPlayers")).toInt());
    EXPECT_EQ(QString::fromLatin1(lines[1].split(',')[0]),
              record.value(QStringLiteral("Players")).toArray()[0].toObject().value(QStringLiteral("Name")).toString());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
