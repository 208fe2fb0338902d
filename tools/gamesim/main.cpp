// quorvelin-gamesim: serves simulated game servers on 127.0.0.1 for demos and benchmarks.

#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include "ToolMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>


namespace {

struct Settings
{
    qint64 count = 0;
    qint64 basePort = 0;
    qint64 churn = 0;
    qint64 randomStart = 0;
    qint64 runFor = 0;
    bool beacon = false;
    bool quiet = false;
};

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Simulated Unreal Tournament servers on 127.0.0.1."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("count"), QStringLiteral("Number of servers (default 5)."), QStringLiteral("N"),
         QStringLiteral("5")},
        {QStringLiteral("base-port"),
         QStringLiteral("First query port; the others follow (default 7778, 0 = ephemeral)."), QStringLiteral("P"),
         QStringLiteral("7778")},
        {QStringLiteral("churn"), QStringLiteral("Change players every MS milliseconds (0 = static)."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("beacon"), QStringLiteral("Also run a LAN beacon per server on 8777 to 8786.")},
        {QStringLiteral("random-start"), QStringLiteral("RNG start value for names, maps and churn (default 1)."),
         QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("run-for"), QStringLiteral("Exit after MS milliseconds (0 = until SIGINT/SIGTERM)."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("quiet"), QStringLiteral("Print only the server lines.")},
    });
}

// Stops at the first number out of range, after saying which one it is.
bool readSettings(const QCommandLineParser &parser, Settings &settings)
{
    if (!ToolMain::readNumber(parser, QStringLiteral("count"), 1, 4096, settings.count)
        || !ToolMain::readNumber(parser, QStringLiteral("base-port"), 0, 65535, settings.basePort)
        || !ToolMain::readNumber(parser, QStringLiteral("churn"), 0, 3600000, settings.churn)
        || !ToolMain::readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, settings.randomStart)
        || !ToolMain::readNumber(parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, settings.runFor))
        return false;
    settings.beacon = parser.isSet(QStringLiteral("beacon"));
    settings.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

void startBeacons(SimulatedServerFarm &farm, bool quiet)
{
    const int beacons = farm.startBeacons();
    if (quiet)
        return;
    QTextStream err(stderr);
    for (const LanBeacon *beacon : farm.beacons())
        err << "beacon 127.0.0.1:" << beacon->port() << " -> " << beacon->queryReply() << '\n';
    if (beacons < farm.size())
        err << "no free beacon port for " << farm.size() - beacons << " server(s)\n";
    err.flush();
}

// The server lines are flushed at once, so a program that started the
// simulator can read its ports while it runs.
bool startFarm(SimulatedServerFarm &farm, const Settings &settings)
{
    if (!farm.start(int(settings.count), quint16(settings.basePort))) {
        QTextStream(stderr) << "quorvelin-gamesim: cannot bind " << settings.count << " query ports from 127.0.0.1:"
                            << settings.basePort << Qt::endl;
        return false;
    }
    QTextStream out(stdout);
    for (const SimulatedServer *server : farm.servers())
        out << "127.0.0.1:" << server->queryPort() << ' ' << server->config().hostname << '\n';
    out.flush();

    if (settings.beacon)
        startBeacons(farm, settings.quiet);
    farm.setChurnInterval(int(settings.churn));
    return true;
}

void reportQueries(const SimulatedServerFarm &farm)
{
    quint64 requests = 0;
    for (const SimulatedServer *server : farm.servers())
        requests += server->requestCount();
    QTextStream(stderr) << "quorvelin-gamesim: answered " << requests << " queries" << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-gamesim"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    Settings settings;
    if (!readSettings(parser, settings))
        return 2;

    SimulatedServerFarm farm{quint32(settings.randomStart)};
    if (!startFarm(farm, settings))
        return 1;

    const int rc = ToolMain::exec(settings.runFor);
    if (!settings.quiet)
        reportQueries(farm);
    return rc;
}
