// quorvelin-mastersim: a simulated game master server and HTTP server list on
// 127.0.0.1 for tests and demos.

#include "ListedServer.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"

#include "ToolMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>
#include <utility>

namespace {

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;
using HttpMisbehaviour = SimulatedHttpList::Misbehaviour;

const ToolMain::Choices<Misbehaviour> MasterMisbehaviours = {
    {QStringLiteral("none"), Misbehaviour::None},
    {QStringLiteral("no-greeting"), Misbehaviour::NoGreeting},
    {QStringLiteral("close-before-final"), Misbehaviour::CloseBeforeFinal},
    {QStringLiteral("never-close"), Misbehaviour::NeverClose},
    {QStringLiteral("endless"), Misbehaviour::Endless},
    {QStringLiteral("garbage"), Misbehaviour::Garbage},
    {QStringLiteral("split-final"), Misbehaviour::SplitFinal},
};

const ToolMain::Choices<HttpMisbehaviour> HttpMisbehaviours = {
    {QStringLiteral("none"), HttpMisbehaviour::None},
    {QStringLiteral("not-found"), HttpMisbehaviour::NotFound},
    {QStringLiteral("huge"), HttpMisbehaviour::Huge},
    {QStringLiteral("never-ends"), HttpMisbehaviour::NeverEnds},
    {QStringLiteral("stall"), HttpMisbehaviour::Stall},
};

const ToolMain::Choices<SimulatedMasterConfig::Refusal> Refusals = {
    {QStringLiteral("silent"), SimulatedMasterConfig::Refusal::Silent},
    {QStringLiteral("echo"), SimulatedMasterConfig::Refusal::Echo},
};

struct Settings
{
    qint64 port = 0;
    qint64 httpPort = -1; // -1: no HTTP list
    qint64 count = 0;
    qint64 basePort = 0;
    qint64 randomStart = 0;
    qint64 runFor = 0;
    bool quiet = false;
    SimulatedMasterConfig master;
    HttpMisbehaviour httpMisbehaviour = HttpMisbehaviour::None;
};

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("A simulated game master server and HTTP server list on 127.0.0.1."));
    parser.addHelpOption();
    ToolMain::addOption(parser, "port", "Master server TCP port (default 28900, 0 = ephemeral).", "P", "28900");
    ToolMain::addOption(parser, "http-port",
                        "Also serve the HTTP list on this port (0 = ephemeral; off unless given).", "P", "0");
    ToolMain::addOption(parser, "count", "Number of listed servers (default 20).", "N", "20");
    ToolMain::addOption(parser, "base-port", "First listed query port; the others follow (default 7778).", "P", "7778");
    ToolMain::addOption(parser, "duplicates",
                        "List K entries a second time, the first servers' again, spread over the list (default 0).",
                        "K", "0");
    ToolMain::addOption(parser, "bad-entries",
                        "Mix K entries into the list that are no server, such as 999.1.2.3:7778 or hello:1 "
                        "(default 0).",
                        "K", "0");
    ToolMain::addOption(parser, "huge-list",
                        "Fill the list up to N entries with distinct servers on 127.x.y.z:7778 (default 0: no fill).",
                        "N", "0");
    ToolMain::addOption(parser, "no-validate",
                        "Do not check \\validate\\; answer a \\list\\ request without \\final\\ too.");
    ToolMain::addOption(parser, "greeting-final", "End the greeting with \\final\\.");
    ToolMain::addOption(parser, "refusal",
                        "Answer to a missing or wrong validate: silent or echo (default silent).", "HOW", "silent");
    ToolMain::addOption(parser, "honour-filters", "Apply the \\gametype\\ and \\location\\ filters of list requests.");
    ToolMain::addOption(parser, "idle-timeout",
                        "Close connections idle for MS milliseconds (default 7500, 0 = never).", "MS", "7500");
    ToolMain::addOption(parser, "misbehave",
                        "none, no-greeting, close-before-final, never-close, endless, garbage or split-final "
                        "(default none).",
                        "HOW", "none");
    ToolMain::addOption(parser, "http-misbehave",
                        "none, not-found, huge, never-ends or stall (default none).", "HOW", "none");
    ToolMain::addOption(parser, "greeting-cuts",
                        "Send the greeting in TCP segments cut at these byte offsets (comma-separated).", "LIST", "");
    ToolMain::addOption(parser, "list-cuts",
                        "Send a list reply in TCP segments cut at these byte offsets (comma-separated).", "LIST", "");
    ToolMain::addOption(parser, "segment-pause", "Pause between cut segments (default 20).", "MS", "20");
    ToolMain::addOption(parser, "random-start", "RNG start value for the servers' locations (default 1).", "N", "1");
    ToolMain::addOption(parser, "run-for", "Exit after MS milliseconds (0 = until SIGINT/SIGTERM).", "MS", "0");
    ToolMain::addOption(parser, "quiet", "Print only the listener lines.");
}

// "3,21" -> {3, 21}; offsets from 1 up, in any order.
bool readCuts(const QCommandLineParser &parser, const QString &option, QList<int> &cuts)
{
    const QString text = parser.value(option);
    if (text.isEmpty())
        return true;
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int cut = part.trimmed().toInt(&ok);
        if (!ok || cut < 1) {
            ToolMain::complain(QStringLiteral("--%1 takes byte offsets from 1 up, not %2").arg(option, part));
            return false;
        }
        cuts.append(cut);
    }
    std::sort(cuts.begin(), cuts.end());
    return true;
}

// Stops at the first bad value, after saying which one it is.
bool readSettings(const QCommandLineParser &parser, Settings &s)
{
    qint64 idleTimeout = 0;
    qint64 segmentPause = 0;
    qint64 duplicates = 0;
    qint64 badEntries = 0;
    qint64 hugeList = 0;
    if (!ToolMain::readNumber(parser, QStringLiteral("port"), 0, 65535, s.port)
        || (parser.isSet(QStringLiteral("http-port"))
            && !ToolMain::readNumber(parser, QStringLiteral("http-port"), 0, 65535, s.httpPort))
        || !ToolMain::readNumber(parser, QStringLiteral("count"), 0, 65535, s.count)
        || !ToolMain::readNumber(parser, QStringLiteral("base-port"), 1, 65535, s.basePort)
        || !ToolMain::readNumber(parser, QStringLiteral("duplicates"), 0, 1000000, duplicates)
        || !ToolMain::readNumber(parser, QStringLiteral("bad-entries"), 0, 1000000, badEntries)
        || !ToolMain::readNumber(parser, QStringLiteral("huge-list"), 0, 20000000, hugeList)
        || !ToolMain::readNumber(parser, QStringLiteral("idle-timeout"), 0, 0x7fffffffLL, idleTimeout)
        || !ToolMain::readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, s.randomStart)
        || !ToolMain::readNumber(parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, s.runFor)
        || !ToolMain::readNumber(parser, QStringLiteral("segment-pause"), 1, 60000, segmentPause)
        || !readCuts(parser, QStringLiteral("greeting-cuts"), s.master.greetingCuts)
        || !readCuts(parser, QStringLiteral("list-cuts"), s.master.replyCuts)
        || !ToolMain::readChoice(parser, QStringLiteral("refusal"), Refusals, s.master.refusal)
        || !ToolMain::readChoice(parser, QStringLiteral("misbehave"), MasterMisbehaviours, s.master.misbehaviour)
        || !ToolMain::readChoice(parser, QStringLiteral("http-misbehave"), HttpMisbehaviours, s.httpMisbehaviour))
        return false;
    if (s.basePort + s.count - 1 > 65535) {
        ToolMain::complain(QStringLiteral("--base-port %1 leaves no room for %2 servers").arg(s.basePort).arg(s.count));
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        ToolMain::complain(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst()));
        return false;
    }
    s.master.idleTimeoutMs = int(idleTimeout);
    s.master.segmentPauseMs = int(segmentPause);
    s.master.validating = !parser.isSet(QStringLiteral("no-validate"));
    s.master.greetingWithFinal = parser.isSet(QStringLiteral("greeting-final"));
    s.master.honourFilters = parser.isSet(QStringLiteral("honour-filters"));
    s.master.servers = withAwkwardEntries(generatedServers(int(s.count), quint16(s.basePort), quint32(s.randomStart)),
                                          int(duplicates), int(badEntries));
    s.master.listLength = int(hugeList);
    s.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

// The listener lines are flushed at once, so a program that started the
// simulator can read its ports while it runs.
bool startListeners(SimulatedMaster &master, SimulatedHttpList &http, const Settings &s)
{
    QTextStream out(stdout);
    if (!master.listen(quint16(s.port))) {
        ToolMain::complain(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(s.port));
        return false;
    }
    out << "master 127.0.0.1:" << master.port() << Qt::endl;
    if (s.httpPort < 0)
        return true;
    if (!http.listen(quint16(s.httpPort))) {
        ToolMain::complain(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(s.httpPort));
        return false;
    }
    out << "http " << http.url() << Qt::endl;
    return true;
}

// Client messages go to stderr with backslashes kept and other bytes escaped.
void logRequests(const SimulatedMaster &master, const SimulatedHttpList &http)
{
    QObject::connect(&master, &SimulatedMaster::requestReceived, [](const QByteArray &request) {
        QTextStream(stderr) << "master request: " << ToolMain::printable(request) << Qt::endl;
    });
    QObject::connect(&http, &SimulatedHttpList::requestServed,
                     [](const QString &path) { QTextStream(stderr) << "http GET " << path << Qt::endl; });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-mastersim"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    Settings settings;
    if (!readSettings(parser, settings))
        return 1;

    SimulatedMaster master(settings.master);
    SimulatedHttpList http(settings.master.servers);
    http.setListLength(settings.master.listLength);
    http.setMisbehaviour(settings.httpMisbehaviour);
    if (!startListeners(master, http, settings))
        return 1;
    if (!settings.quiet)
        logRequests(master, http);

    const int rc = ToolMain::exec(settings.runFor);
    if (!settings.quiet)
        QTextStream(stderr) << "quorvelin-mastersim: " << master.connectionCount() << " connections, "
                            << master.answeredCount() << " answered, " << master.refusedCount() << " refused, "
                            << http.requestPaths().size() << " HTTP requests" << Qt::endl;
    return rc;
}
