// Runs the program's window-less master query as a user would, against a
// simulated master server and web list served by this test's event loop.
#include "ProcessRun.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

ProcessRun master(const QStringList &arguments)
{
    return run(QStringLiteral(QUORVELIN_BINARY), QStringList{QStringLiteral("--master")} + arguments);
}

TEST(ConsoleMaster, PrintsTheListedServersInOrder)
{
    SimulatedMasterConfig config;
    config.servers = generatedServers(3, 7778, 1);
    SimulatedMaster simulated(config);
    ASSERT_TRUE(simulated.listen());
    const QString entry = QStringLiteral("127.0.0.1:%1").arg(simulated.port());

    const ProcessRun text = master({entry});
    EXPECT_EQ(text.exitCode, 0) << text.err.constData();
    EXPECT_EQ(text.out, QByteArray("127.0.0.1:7778\n127.0.0.1:7779\n127.0.0.1:7780\n"));

    SimulatedHttpList web(config.servers);
    ASSERT_TRUE(web.listen());
    const ProcessRun json = master({web.url(), QStringLiteral("--json")});
    EXPECT_EQ(json.exitCode, 0) << json.err.constData();
    const QList<QByteArray> lines = json.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3);
    const QJsonObject first = QJsonDocument::fromJson(lines[0]).object();
    EXPECT_EQ(first.value(QStringLiteral("Host")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(first.value(QStringLiteral("QueryPort")).toInt(), 7778);
}

TEST(ConsoleMaster, QueriesEveryListedServerInOneCommand)
{
    SimulatedServerFarm farm;
    ASSERT_TRUE(farm.start(40));
    SimulatedMasterConfig config;
    for (const SimulatedServer *server : farm.servers())
        config.servers.append(ListedServer{QStringLiteral("127.0.0.1"), server->queryPort(), QString(), 0});
    // Masters list servers twice and entries that are no address.
    config.servers.append(config.servers.first());
    config.servers.append(ListedServer{QStringLiteral("999.1.2.3"), 7778, QString(), 0});
    SimulatedMaster simulated(config);
    ASSERT_TRUE(simulated.listen());

    const ProcessRun r = master(
        {QStringLiteral("127.0.0.1:%1").arg(simulated.port()), QStringLiteral("--query"), QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.contains("1 duplicate server(s) skipped")) << r.err.constData();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), farm.size());
    for (int i = 0; i < farm.size(); ++i) {
        const QJsonObject record = QJsonDocument::fromJson(lines[i]).object();
        EXPECT_EQ(record.value(QStringLiteral("QueryPort")).toInt(), farm.server(i)->queryPort());
        EXPECT_EQ(record.value(QStringLiteral("Complete")), QJsonValue(true));
    }

    // A master that cannot be reached gives the list's exit status and no records.
    SimulatedMaster refusing(config);
    ASSERT_TRUE(refusing.listen());
    const quint16 closed = refusing.port();
    refusing.close();
    const ProcessRun failed = master({QStringLiteral("127.0.0.1:%1").arg(closed), QStringLiteral("--query")});
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_FALSE(failed.err.isEmpty());
    EXPECT_EQ(
        master({QStringLiteral("127.0.0.1:1"), QStringLiteral("--query"), QStringLiteral("127.0.0.1:7778")}).exitCode,
        1);
}

TEST(ConsoleMaster, SaysWhyThereIsNoList)
{
    SimulatedMasterConfig config;
    config.refusal = SimulatedMasterConfig::Refusal::Echo;
    config.challenge = "ABCDEFGH";
    SimulatedMaster refusing(config);
    ASSERT_TRUE(refusing.listen());
    const ProcessRun refused = master({QStringLiteral("127.0.0.1:%1").arg(refusing.port())});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains("refused the request")) << refused.err.constData();

    const quint16 closed = refusing.port();
    refusing.close();
    const ProcessRun unreachable = master({QStringLiteral("127.0.0.1:%1").arg(closed)});
    EXPECT_EQ(unreachable.exitCode, 2);
    EXPECT_TRUE(unreachable.err.contains("Connection refused")) << unreachable.err.constData();

    for (const QStringList &bad :
         {QStringList{}, QStringList{QStringLiteral("127.0.0.1")}, QStringList{QStringLiteral("127.0.0.1:70000")},
          QStringList{QStringLiteral("127.0.0.1:28900"), QStringLiteral("--xml")}})
        EXPECT_EQ(master(bad).exitCode, 1) << bad.join(QLatin1Char(' ')).toStdString();
}

} // namespace
