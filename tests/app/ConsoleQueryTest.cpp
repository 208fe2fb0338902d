// Runs the program's command-line query as a user would, against simulated
// servers served by this test's event loop, and checks it against qstat.
#include "ProcessRun.h"
#include "SimulatedServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

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
    const ProcessRun r = query({address(*beta), address(*alpha), QStringLiteral("--json"), QStringLiteral("--sleep"),
                         QStringLiteral("0")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);

    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(first.value(QStringLiteral("HostName")).toString(), QStringLiteral("Team Base"));
    EXPECT_EQ(first.value(QStringLiteral("GameType")).toString(), QStringLiteral("CTFGame"));
    EXPECT_EQ(first.value(QStringLiteral("Teams")).toArray()[1].toObject().value(QStringLiteral("Name")).toString(),
              QStringLiteral("Blue"));

    const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
    EXPECT_EQ(second.value(QStringLiteral("QueryPort")).toInt(), alpha->queryPort());
    // Reply bytes are read as Latin-1: the server's single-byte name comes through intact.
    EXPECT_EQ(second.value(QStringLiteral("HostName")).toString(), QStringLiteral("Caf\u00e9 Deathmatch"));
    EXPECT_EQ(second.value(QStringLiteral("MapName")).toString(), QStringLiteral("DM-Morpheus"));
    EXPECT_EQ(second.value(QStringLiteral("NumPlayers")).toString(), QStringLiteral("2"));
    EXPECT_EQ(second.value(QStringLiteral("MaxPlayers")).toString(), QStringLiteral("12"));
    const QJsonArray players = second.value(QStringLiteral("Players")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("J\u00f6rg"));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("Frags")).toString(), QStringLiteral("3"));
}

TEST_F(ConsoleQueryTest, SilentServerGivesExitStatusTwoAndStillPrintsTheOthers)
{
    const QString nobody = QStringLiteral("127.0.0.1:%1").arg(silentPort());
    const ProcessRun r = query({address(*alpha), nobody, QStringLiteral("--timeout"), QStringLiteral("300")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.contains("Caf\xc3\xa9 Deathmatch")) << r.out.constData();
    EXPECT_TRUE(r.out.contains((nobody + QStringLiteral("  no reply")).toUtf8())) << r.out.constData();
}

TEST_F(ConsoleQueryTest, BadArgumentsGiveExitStatusOne)
{
    for (const QStringList &bad : {QStringList{}, QStringList{QStringLiteral("127.0.0.1")},
                                   QStringList{address(*alpha), QStringLiteral("--timeout"), QStringLiteral("soon")},
                                   QStringList{QStringLiteral("1.2.3:7778")}, QStringList{QStringLiteral("1.2.3.4:+7778")}}) {
        const ProcessRun r = query(bad);
        EXPECT_EQ(r.exitCode, 1) << qPrintable(bad.join(QLatin1Char(' ')));
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST_F(ConsoleQueryTest, ANameThatDoesNotResolveCountsAsSilentAndTheOthersAreAsked)
{
    const ProcessRun r = query({QStringLiteral("no.such.host.invalid:7778"), address(*alpha), QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("cannot resolve 'no.such.host.invalid'")) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(lines[0]).object().value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(QJsonDocument::fromJson(lines[1]).object().value(QStringLiteral("Replied")), QJsonValue(true));
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
    const ProcessRun theirs = run(qstat, {QStringLiteral("-gps"), address(*beta), QStringLiteral("-raw"), QStringLiteral(","),
                                   QStringLiteral("-P")});
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
    EXPECT_EQ(QString::fromLatin1(server[4]), record.value(QStringLiteral("MaxPlayers")).toString());
    EXPECT_EQ(QString::fromLatin1(server[5]), record.value(QStringLiteral("NumPlayers")).toString());
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
