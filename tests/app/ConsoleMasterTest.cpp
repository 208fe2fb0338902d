// Runs the program's window-less master query as a user would, against a
// simulated master server and web list served by this test's event loop.
#include "ProcessRun.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"

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

    for (const QStringList &bad : {QStringList{}, QStringList{QStringLiteral("127.0.0.1")},
                                   QStringList{QStringLiteral("127.0.0.1:70000")},
                                   QStringList{QStringLiteral("127.0.0.1:28900"), QStringLiteral("--xml")}})
        EXPECT_EQ(master(bad).exitCode, 1) << bad.join(QLatin1Char(' ')).toStdString();
}

} // namespace
