// qstat, an independent gamespy client, must read the simulator like a real server.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

using namespace GameSimTest;

namespace {

const QString Qstat = QStringLiteral("/usr/bin/quakestat");

struct QstatResult
{
    bool finished = false;
    QByteArrayList lines;
};

// Runs qstat while this thread's event loop keeps serving the simulated server.
QstatResult runQstat(quint16 port, const QStringList &extra)
{
    QStringList args = {QStringLiteral("-gps"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-raw"),
                        QStringLiteral(","), QStringLiteral("-timeout"), QStringLiteral("10")};
    args += extra;
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    process.start(Qstat, args);
    loop.exec();

    QstatResult result;
    result.finished = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
    result.lines = process.readAllStandardOutput().split('\n');
    while (!result.lines.isEmpty() && result.lines.back().isEmpty())
        result.lines.removeLast();
    return result;
}

struct QstatCase
{
    const char *name;
    bool legacyPackets;
    int playerCount;
};

void PrintTo(const QstatCase &c, std::ostream *os)
{
    *os << c.name;
}

class QstatCrossCheck : public testing::TestWithParam<QstatCase>
{
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(Qstat)) {
            if (qgetenv("CI") == "true")
                FAIL() << "quakestat is missing; the setup script installs the qstat package";
            GTEST_SKIP() << "quakestat is not installed";
        }
        ensureCoreApplication();

        const QstatCase &c = GetParam();
        SimulatedServerConfig config;
        config.setGameType(QStringLiteral("CTFGame"));
        config.hostname = QStringLiteral("Quorvelin qstat check");
        config.mapName = QStringLiteral("CTF-Face");
        config.mapTitle = QStringLiteral("Facing Worlds");
        config.maxPlayers = 32;
        config.legacyPackets = c.legacyPackets;
        m_server = std::make_unique<SimulatedServer>(config);
        for (int i = 0; i < c.playerCount; ++i) {
            SimulatedPlayer p;
            p.name = i == 1 ? QStringLiteral("J\u00f6rg") : QStringLiteral("Fragger%1 the long").arg(i);
            p.frags = 3 * i;
            p.ping = 40 + i;
            p.team = i % 2;
            m_server->addPlayer(p);
        }
        ASSERT_TRUE(m_server->start());
    }

    std::unique_ptr<SimulatedServer> m_server;
};

} // namespace

TEST_P(QstatCrossCheck, ReportsNameMapAndPlayers)
{
    const int players = GetParam().playerCount;
    const QByteArray address = "127.0.0.1:" + QByteArray::number(m_server->queryPort());

    const QstatResult plain = runQstat(m_server->queryPort(), {});
    ASSERT_TRUE(plain.finished);
    ASSERT_EQ(plain.lines.size(), 1) << plain.lines.join('\n').constData();
    const QByteArrayList server = plain.lines.front().split(',');
    ASSERT_GE(server.size(), 8) << plain.lines.front().constData();
    EXPECT_EQ(server.at(0), QByteArray("GPS"));
    EXPECT_EQ(server.at(1), address);
    EXPECT_EQ(server.at(2), QByteArray("Quorvelin qstat check"));
    EXPECT_EQ(server.at(3), QByteArray("CTF-Face"));
    EXPECT_EQ(server.at(4), QByteArray("32"));
    EXPECT_EQ(server.at(5), QByteArray::number(players));

    const QstatResult full = runQstat(m_server->queryPort(), {QStringLiteral("-P"), QStringLiteral("-R")});
    ASSERT_TRUE(full.finished);
    ASSERT_EQ(full.lines.size(), 2 + players) << full.lines.join('\n').constData();
    const QByteArrayList fullServer = full.lines.at(0).split(',');
    ASSERT_GE(fullServer.size(), 8);
    EXPECT_EQ(fullServer.mid(0, 6), server.mid(0, 6)); // ping and retries may differ
    const QByteArrayList rules = full.lines.at(1).split(',');
    for (const char *rule : {"gametype=CTFGame", "maptitle=Facing Worlds", "friendlyfire=0%", "maxteams=2"})
        EXPECT_TRUE(rules.contains(rule)) << rule << " in " << full.lines.at(1).constData();
    EXPECT_TRUE(rules.contains("hostport=" + QByteArray::number(m_server->gamePort())));

    // qstat lists players in its own order; match them by name.
    int matched = 0;
    for (int i = 0; i < players; ++i) {
        const QByteArrayList fields = full.lines.at(2 + i).split(',');
        ASSERT_GE(fields.size(), 7) << full.lines.at(2 + i).constData();
        for (const SimulatedPlayer &expected : m_server->players()) {
            if (fields.at(0) == expected.name.toLatin1()) {
                EXPECT_EQ(fields.at(1), QByteArray::number(expected.frags));
                EXPECT_EQ(fields.at(2), QByteArray::number(expected.ping));
                EXPECT_EQ(fields.at(3), QByteArray::number(expected.team));
                ++matched;
            }
        }
    }
    // qstat drops non-ASCII bytes from names unless told not to; only "Jörg" is affected.
    EXPECT_EQ(matched, players > 1 ? players - 1 : players);

    // -nnx leaves names untouched: the Latin-1 byte must come through as sent.
    if (players > 1) {
        const QstatResult raw = runQstat(m_server->queryPort(), {QStringLiteral("-P"), QStringLiteral("-nnx")});
        ASSERT_TRUE(raw.finished);
        EXPECT_TRUE(raw.lines.join('\n').contains("\nJ\xf6rg,3,")) << raw.lines.join('\n').constData();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, QstatCrossCheck,
                         testing::Values(QstatCase{"empty", false, 0}, QstatCase{"three_players", false, 3},
                                         QstatCase{"split_over_packets", false, 28},
                                         QstatCase{"legacy_packets", true, 3}),
                         [](const testing::TestParamInfo<QstatCase> &param) { return std::string(param.param.name); });
