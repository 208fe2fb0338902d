// The simulators as scripts/run.sh --demo starts them: the master server lists
// by game type what the game servers report, and the statistics service knows
// every name the demo can show.

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"
#include "SimulatedStatsService.h"
#include "StatsPages.h"

#include "support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <memory>

using namespace GameSimTest;

namespace {

constexpr int kDemoCount = 10;
const QStringList kBuddies = {QStringLiteral("FragMaster"), QStringLiteral("Loque"), QStringLiteral("Xan")};

// A simulator program that runs for one test.
class Simulator
{
public:
    Simulator(const char *program, const QStringList &arguments)
    {
        m_process.start(QString::fromLatin1(program), arguments);
    }
    ~Simulator()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    // The first count lines it printed; fewer when it ended before.
    QStringList lines(int count)
    {
        waitUntil([&] {
            m_out += m_process.readAllStandardOutput();
            return m_out.count('\n') >= count || m_process.state() == QProcess::NotRunning;
        });
        m_out += m_process.readAllStandardOutput();
        QStringList all = QString::fromUtf8(m_out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return all.mid(0, count);
    }

    // The port of its listener line ("<label> 127.0.0.1:PORT"); 0 for none.
    quint16 listenerPort()
    {
        const QStringList first = lines(1);
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^\\w+ 127\\.0\\.0\\.1:(\\d+)$")).match(first.value(0));
        return match.hasMatch() ? quint16(match.captured(1).toUInt()) : quint16(0);
    }

private:
    QProcess m_process;
    QByteArray m_out;
};

// quorvelin-gamesim with the demo's arguments but on a run of free ports (the
// beacons' fixed ports are left to the beacon tests).
struct DemoFarm
{
    DemoFarm()
    {
        const qint64 pid = QCoreApplication::applicationPid();
        for (int attempt = 0; attempt < 10 && basePort == 0; ++attempt) {
            const quint16 base = quint16(20000 + (pid * 31 + attempt * 7919) % 600 * 20);
            const QStringList arguments = {QStringLiteral("--count"),     QString::number(kDemoCount),
                                           QStringLiteral("--base-port"), QString::number(base),
                                           QStringLiteral("--churn"),     QStringLiteral("4000"),
                                           QStringLiteral("--quiet")};
            auto program = std::make_unique<Simulator>(GAMESIM_PROGRAM, arguments);
            const QStringList lines = program->lines(kDemoCount);
            if (lines.size() == kDemoCount) {
                basePort = base;
                serverLines = lines;
                gamesim = std::move(program);
            }
        }
    }

    QString base() const { return QString::number(basePort); }

    quint16 basePort = 0;
    QStringList serverLines; // "127.0.0.1:PORT hostname"
    std::unique_ptr<Simulator> gamesim;
};

QByteArray joined(const QList<QByteArray> &packets)
{
    QByteArray all;
    for (const QByteArray &packet : packets)
        all += payloadOf(packet);
    return all;
}

// The servers a validating master lists for one request, as "a.b.c.d:port".
QSet<QByteArray> masterList(quint16 port, const QByteArray &request)
{
    QTcpSocket socket;
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { received += socket.readAll(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!waitUntil([&] { return received.contains("\\secure\\"); }))
        return {"no greeting"};
    const QByteArray challenge = valueOf(received, "secure");
    received.clear();
    socket.write("\\gamename\\ut\\location\\0\\validate\\" + SimulatedServer::validate(challenge) + "\\final\\"
                 + request);
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }))
        return {"still open"};
    QSet<QByteArray> servers;
    for (const auto &[key, value] : splitPairs(received)) {
        if (key == "ip")
            servers.insert(value);
    }
    return servers;
}

// The body of a GET to the service on port.
QByteArray fetch(quint16 port, const QByteArray &path)
{
    QTcpSocket socket;
    QByteArray received;
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket, [&] { received += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::connected, &socket,
                     [&] { socket.write("GET " + path + " HTTP/1.0\r\n\r\n"); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }))
        return "still open";
    return received.mid(received.indexOf("\r\n\r\n") + 4);
}

QByteArray searchPath(StatsKind kind, const QString &name)
{
    return "/fcgi-bin/Search?gt=UT&gm=all&page=m&view=" + QByteArray(kind == StatsKind::Server ? "s" : "p")
           + "&data=" + QUrl::toPercentEncoding(name) + "&type=name";
}

// Whether a name search, with the page it may send the browser on to, shows
// an entry of exactly this name.
bool finds(const std::function<QByteArray(const QByteArray &)> &get, StatsKind kind, const QString &name)
{
    QString page = StatsPages::decodeWindows1252(get(searchPath(kind, name)));
    const QRegularExpressionMatch refresh =
        QRegularExpression(QStringLiteral("url=(/fcgi-bin/Display[^\"]*)\"")).match(page);
    if (refresh.hasMatch()) {
        page = StatsPages::decodeWindows1252(get(refresh.captured(1).toLatin1()));
        QString shown = name.toHtmlEscaped();
        shown.replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
        return page.contains(QStringLiteral("<span class=vv>") + shown);
    }
    return page.contains(QStringLiteral(" class=z>") + name.toHtmlEscaped() + QStringLiteral("</a>"));
}

} // namespace

TEST(DemoSimulators, TheMasterListsByGameTypeWhatTheGameServersReport)
{
    DemoFarm farm;
    ASSERT_NE(farm.basePort, 0) << "no free run of ports";
    QMap<QByteArray, QSet<QByteArray>> byType;
    for (int i = 0; i < kDemoCount; ++i) {
        const quint16 port = quint16(farm.basePort + i);
        const QByteArray type = valueOf(joined(exchange(port, "\\info\\")), "gametype");
        ASSERT_FALSE(type.isEmpty()) << port;
        byType[type].insert("127.0.0.1:" + QByteArray::number(port));
    }
    ASSERT_GT(byType.size(), 2);

    Simulator master(MASTERSIM_PROGRAM, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--count"),
                                         QString::number(kDemoCount), QStringLiteral("--base-port"), farm.base(),
                                         QStringLiteral("--honour-filters"), QStringLiteral("--quiet")});
    const quint16 port = master.listenerPort();
    ASSERT_NE(port, 0);
    for (auto it = byType.cbegin(); it != byType.cend(); ++it)
        EXPECT_EQ(masterList(port, "\\list\\\\gamename\\ut\\gametype\\" + it.key() + "\\final\\"), it.value())
            << it.key().constData();
    EXPECT_EQ(masterList(port, "\\list\\\\gamename\\ut\\final\\").size(), kDemoCount);
}

TEST(DemoSimulators, TheStatisticsServiceFindsTheBuddiesServersAndPlayersOnScreen)
{
    DemoFarm farm;
    ASSERT_NE(farm.basePort, 0) << "no free run of ports";
    Simulator stats(STATSSIM_PROGRAM, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--count"),
                                       QString::number(kDemoCount), QStringLiteral("--base-port"), farm.base(),
                                       QStringLiteral("--quiet")});
    const quint16 port = stats.listenerPort();
    ASSERT_NE(port, 0);
    const auto get = [port](const QByteArray &path) { return fetch(port, path); };

    for (const QString &buddy : kBuddies)
        EXPECT_TRUE(finds(get, StatsKind::Player, buddy)) << buddy.toStdString();
    QStringList players;
    for (const QString &line : std::as_const(farm.serverLines)) {
        const QString hostName = line.section(QLatin1Char(' '), 1);
        EXPECT_TRUE(finds(get, StatsKind::Server, hostName)) << hostName.toStdString();
        const quint16 queryPort = quint16(line.section(QLatin1Char(':'), 1).section(QLatin1Char(' '), 0, 0).toUInt());
        for (const auto &[key, value] : splitPairs(joined(exchange(queryPort, "\\players\\")))) {
            if (key.startsWith("player_"))
                players.append(StatsPages::decodeWindows1252(value));
        }
    }
    ASSERT_GT(players.size(), kDemoCount);
    for (const QString &player : std::as_const(players))
        EXPECT_TRUE(finds(get, StatsKind::Player, player)) << player.toStdString();
}

TEST(DemoSimulators, TheStatisticsServiceKnowsEveryNameChurnBringsIn)
{
    constexpr quint16 kBase = 27778;
    StatsCatalogue catalogue = StatsCatalogue::defaults();
    catalogue.addFarm(kDemoCount, kBase, 1);
    const SimulatedStatsService service(catalogue);
    const auto get = [&service](const QByteArray &path) { return service.answer(path).body; };

    SimulatedServerFarm farm(1);
    farm.create(kDemoCount, kBase);
    QSet<QString> names;
    for (int round = 0; round < 400; ++round) {
        for (const SimulatedServer *server : farm.servers()) {
            for (const SimulatedPlayer &player : server->players())
                names.insert(player.name);
        }
        farm.churnOnce();
    }
    // Numbered names come in once a name is taken on its server.
    EXPECT_TRUE(std::any_of(names.cbegin(), names.cend(), [](const QString &name) { return name.back().isDigit(); }));
    for (const QString &name : std::as_const(names))
        EXPECT_TRUE(finds(get, StatsKind::Player, name)) << name.toStdString();
}
