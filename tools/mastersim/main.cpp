// quorvelin-mastersim: a simulated game master server and HTTP server list on
// 127.0.0.1 for tests and demos.

#include "ListedServer.h"
#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"

#include "ToolMain.h"

#include <algorithm>

namespace {

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;
using HttpMisbehaviour = SimulatedHttpList::Misbehaviour;

// In the order of the enums' values.
const QStringList kMasterMisbehaviours = {
    QStringLiteral("none"),        QStringLiteral("no-greeting"), QStringLiteral("close-before-final"),
    QStringLiteral("never-close"), QStringLiteral("endless"),     QStringLiteral("garbage"),
    QStringLiteral("split-final")};
const QStringList kHttpMisbehaviours = {QStringLiteral("none"), QStringLiteral("not-found"), QStringLiteral("huge"),
                                        QStringLiteral("never-ends"), QStringLiteral("stall")};
const QStringList kRefusals = {QStringLiteral("silent"), QStringLiteral("echo")};

struct Settings
{
    qint64 httpPort = -1; // -1: no HTTP list
    SimulatedMasterConfig master;
    HttpMisbehaviour httpMisbehaviour = HttpMisbehaviour::None;
};

void addOptions(QCommandLineParser &parser)
{
    ToolMain::addOption(parser, "http-port", "Also serve the HTTP list on this port (0 = ephemeral; off unless given).",
                        "P", "0");
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
    ToolMain::addChoiceOption(parser, "refusal", kRefusals, "Answer to a missing or wrong validate: ");
    ToolMain::addOption(parser, "honour-filters", "Apply the \\gametype\\ and \\location\\ filters of list requests.");
    ToolMain::addOption(parser, "idle-timeout", "Close connections idle for MS milliseconds (default 7500, 0 = never).",
                        "MS", "7500");
    ToolMain::addChoiceOption(parser, "misbehave", kMasterMisbehaviours);
    ToolMain::addChoiceOption(parser, "http-misbehave", kHttpMisbehaviours);
    ToolMain::addOption(parser, "greeting-cuts",
                        "Send the greeting in TCP segments cut at these byte offsets (comma-separated).", "LIST", "");
    ToolMain::addOption(parser, "list-cuts",
                        "Send a list reply in TCP segments cut at these byte offsets (comma-separated).", "LIST", "");
    ToolMain::addOption(parser, "segment-pause", "Pause between cut segments (default 20).", "MS", "20");
    ToolMain::addOption(parser, "random-start", "RNG start value for the servers' locations (default 1).", "N", "1");
}

// "3,21" -> {3, 21}; offsets from 1 up, in any order.
bool readCuts(const QCommandLineParser &parser, const QString &option, QList<qsizetype> &cuts)
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
    qint64 count = 0;
    qint64 basePort = 0;
    qint64 randomStart = 0;
    qint64 idleTimeout = 0;
    qint64 segmentPause = 0;
    qint64 duplicates = 0;
    qint64 badEntries = 0;
    qint64 hugeList = 0;
    if ((parser.isSet(QStringLiteral("http-port"))
         && !ToolMain::readNumber(parser, QStringLiteral("http-port"), 0, 65535, s.httpPort))
        || !ToolMain::readNumber(parser, QStringLiteral("count"), 0, 65535, count)
        || !ToolMain::readNumber(parser, QStringLiteral("base-port"), 1, 65535, basePort)
        || !ToolMain::readNumber(parser, QStringLiteral("duplicates"), 0, 1000000, duplicates)
        || !ToolMain::readNumber(parser, QStringLiteral("bad-entries"), 0, 1000000, badEntries)
        || !ToolMain::readNumber(parser, QStringLiteral("huge-list"), 0, 20000000, hugeList)
        || !ToolMain::readNumber(parser, QStringLiteral("idle-timeout"), 0, 0x7fffffffLL, idleTimeout)
        || !ToolMain::readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, randomStart)
        || !ToolMain::readNumber(parser, QStringLiteral("segment-pause"), 1, 60000, segmentPause)
        || !readCuts(parser, QStringLiteral("greeting-cuts"), s.master.greetingCuts)
        || !readCuts(parser, QStringLiteral("list-cuts"), s.master.replyCuts)
        || !ToolMain::readChoice(parser, QStringLiteral("refusal"), kRefusals, s.master.refusal)
        || !ToolMain::readChoice(parser, QStringLiteral("misbehave"), kMasterMisbehaviours, s.master.misbehaviour)
        || !ToolMain::readChoice(parser, QStringLiteral("http-misbehave"), kHttpMisbehaviours, s.httpMisbehaviour))
        return false;
    if (basePort + count - 1 > 65535) {
        ToolMain::complain(QStringLiteral("--base-port %1 leaves no room for %2 servers").arg(basePort).arg(count));
        return false;
    }
    if (!ToolMain::rejectArguments(parser))
        return false;
    s.master.idleTimeoutMs = int(idleTimeout);
    s.master.segmentPauseMs = int(segmentPause);
    s.master.validating = !parser.isSet(QStringLiteral("no-validate"));
    s.master.greetingWithFinal = parser.isSet(QStringLiteral("greeting-final"));
    s.master.honourFilters = parser.isSet(QStringLiteral("honour-filters"));
    s.master.servers = withAwkwardEntries(generatedServers(int(count), quint16(basePort), quint32(randomStart)),
                                          int(duplicates), int(badEntries));
    s.master.listLength = int(hugeList);
    return true;
}

// The master always, the HTTP list when it has a port.
bool startListeners(ToolMain::Program &program, SimulatedMaster &master, SimulatedHttpList &http, const Settings &s)
{
    if (!program.listen(master, program.port()))
        return false;
    program.announce(QStringLiteral("master ") + master.address());
    if (s.httpPort < 0)
        return true;
    if (!program.listen(http, s.httpPort))
        return false;
    program.announce(QStringLiteral("http ") + http.url());
    return true;
}

QString summary(const SimulatedMaster &master, const SimulatedHttpList &http)
{
    return QStringLiteral("%1 connections, %2 answered, %3 refused, %4 HTTP requests")
        .arg(master.connectionCount())
        .arg(master.answeredCount())
        .arg(master.refusedCount())
        .arg(http.requestPaths().size());
}

} // namespace

int main(int argc, char *argv[])
{
    ToolMain::Program program(argc, argv, "quorvelin-mastersim",
                              "A simulated game master server and HTTP server list on 127.0.0.1.");
    program.addPortOption("Master server TCP port (default 28900, 0 = ephemeral).", "28900");
    addOptions(program.parser());
    Settings settings;
    if (!program.process("Print only the listener lines.") || !readSettings(program.parser(), settings))
        return 1;

    SimulatedMaster master(settings.master);
    SimulatedHttpList http(settings.master.servers);
    http.setListLength(settings.master.listLength);
    http.setMisbehaviour(settings.httpMisbehaviour);
    if (!startListeners(program, master, http, settings))
        return 1;
    // Client messages go to stderr with backslashes kept and other bytes escaped.
    QObject::connect(&master, &SimulatedMaster::requestReceived, [&program](const QByteArray &request) {
        program.log(QStringLiteral("master request: ") + ToolMain::printable(request));
    });
    QObject::connect(&http, &SimulatedHttpList::requestServed,
                     [&program](const QString &path) { program.log(QStringLiteral("http GET ") + path); });
    return program.exec([&] { return summary(master, http); });
}
