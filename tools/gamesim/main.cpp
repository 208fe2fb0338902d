// quorvelin-gamesim: serves simulated game servers on 127.0.0.1 for demos and benchmarks.

#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include "ToolMain.h"

#include <QTextStream>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

struct Settings
{
    qint64 count = 0;
    qint64 basePort = 0;
    qint64 churn = 0;
    qint64 randomStart = 0;
    SimulatedServerFarm::Faults faults;
    bool beacon = false;
};

// Every port is a socket, so thousands of servers need more descriptors than the
// usual soft limit of 1024; the hard limit is as far as a process may go alone.
void raiseOpenFileLimit(qint64 needed)
{
#ifdef Q_OS_UNIX
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || qint64(limit.rlim_cur) >= needed)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? rlim_t(needed) : std::min(rlim_t(needed), limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
#else
    Q_UNUSED(needed);
#endif
}

void addOptions(ToolMain::Program &program)
{
    QCommandLineParser &parser = program.parser();
    ToolMain::addOption(parser, "count", "Number of servers (default 5).", "N", "5");
    ToolMain::addOption(parser, "base-port", "First query port; the others follow (default 7778, 0 = ephemeral).", "P",
                        "7778");
    ToolMain::addOption(parser, "churn", "Change players every MS milliseconds (0 = static).", "MS", "0");
    ToolMain::addOption(parser, "beacon", "Also run a LAN beacon per server on 8777 to 8786.");
    ToolMain::addOption(parser, "random-start", "RNG start value for names, maps and churn (default 1).", "N", "1");
    program.addRunForOption();
    ToolMain::addOption(parser, "drop", "Lose PERCENT of the reply datagrams, each on its own (default 0).", "PERCENT",
                        "0");
    ToolMain::addOption(parser, "silent-share", "PERCENT of the servers, spread evenly, never answer (default 0).",
                        "PERCENT", "0");
    ToolMain::addOption(parser, "answer-from-other-port",
                        "Every Kth server answers from another port than it was asked on (default 0 = none).", "K",
                        "0");
}

// Stops at the first number out of range, after saying which one it is.
bool readSettings(const QCommandLineParser &parser, Settings &settings)
{
    qint64 drop = 0;
    qint64 silent = 0;
    qint64 otherPort = 0;
    if (!ToolMain::readNumber(parser, QStringLiteral("count"), 1, 65535, settings.count)
        || !ToolMain::readNumber(parser, QStringLiteral("base-port"), 0, 65535, settings.basePort)
        || !ToolMain::readNumber(parser, QStringLiteral("churn"), 0, 3600000, settings.churn)
        || !ToolMain::readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, settings.randomStart)
        || !ToolMain::readNumber(parser, QStringLiteral("drop"), 0, 100, drop)
        || !ToolMain::readNumber(parser, QStringLiteral("silent-share"), 0, 100, silent)
        || !ToolMain::readNumber(parser, QStringLiteral("answer-from-other-port"), 0, 65535, otherPort))
        return false;
    if (settings.basePort != 0 && settings.basePort + settings.count - 1 > 65535) {
        ToolMain::complain(
            QStringLiteral("--base-port %1 leaves no room for %2 servers").arg(settings.basePort).arg(settings.count));
        return false;
    }
    settings.faults = {int(drop), int(silent), int(otherPort)};
    settings.beacon = parser.isSet(QStringLiteral("beacon"));
    return true;
}

// Which servers misbehave, on stderr, so the server lines stay one per server.
void reportFaults(const SimulatedServerFarm &farm)
{
    QTextStream err(stderr);
    for (const SimulatedServer *server : farm.servers()) {
        if (server->config().silent)
            err << "127.0.0.1:" << server->queryPort() << " never answers\n";
        if (server->replyPort() != server->queryPort())
            err << "127.0.0.1:" << server->queryPort() << " answers from 127.0.0.1:" << server->replyPort() << '\n';
    }
    if (farm.size() > 0 && farm.server(0)->config().dropPercent > 0)
        err << "reply datagrams lost: " << farm.server(0)->config().dropPercent << "%\n";
    err.flush();
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
bool startFarm(SimulatedServerFarm &farm, const Settings &settings, bool quiet)
{
    farm.setFaults(settings.faults);
    const int otherPorts =
        settings.faults.otherPortEvery > 0 ? int(settings.count / settings.faults.otherPortEvery) : 0;
    raiseOpenFileLimit(settings.count + otherPorts + 64);
    if (!farm.start(int(settings.count), quint16(settings.basePort))) {
        ToolMain::complain(QStringLiteral("cannot bind %1 query ports from 127.0.0.1:%2 (%3)")
                               .arg(settings.count)
                               .arg(settings.basePort)
                               .arg(farm.errorString()));
        return false;
    }
    QTextStream out(stdout);
    for (const SimulatedServer *server : farm.servers())
        out << "127.0.0.1:" << server->queryPort() << ' ' << server->config().hostname << '\n';
    out.flush();
    if (!quiet)
        reportFaults(farm);

    if (settings.beacon)
        startBeacons(farm, quiet);
    farm.setChurnInterval(int(settings.churn));
    return true;
}

quint64 answeredQueries(const SimulatedServerFarm &farm)
{
    quint64 requests = 0;
    for (const SimulatedServer *server : farm.servers())
        requests += server->requestCount();
    return requests;
}

} // namespace

int main(int argc, char *argv[])
{
    ToolMain::Program program(argc, argv, "quorvelin-gamesim", "Simulated Unreal Tournament servers on 127.0.0.1.");
    addOptions(program);
    Settings settings;
    if (!program.process("Print only the server lines.") || !readSettings(program.parser(), settings))
        return 2;

    SimulatedServerFarm farm{quint32(settings.randomStart)};
    if (!startFarm(farm, settings, program.isQuiet()))
        return 1;
    return program.exec([&farm] { return QStringLiteral("answered %1 queries").arg(answeredQueries(farm)); });
}
