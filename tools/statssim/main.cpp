// quorvelin-statssim: a simulated ngWorldStats service on 127.0.0.1 for tests
// and demos.

#include "SimulatedStatsService.h"

#include "ToolMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <utility>

namespace {

using Misbehaviour = SimulatedStatsService::Misbehaviour;

const ToolMain::Choices<Misbehaviour> Misbehaviours = {
    {QStringLiteral("none"), Misbehaviour::None},
    {QStringLiteral("not-found"), Misbehaviour::NotFound},
    {QStringLiteral("refresh-loop"), Misbehaviour::RefreshLoop},
    {QStringLiteral("huge"), Misbehaviour::Huge},
    {QStringLiteral("endless-line"), Misbehaviour::EndlessLine},
    {QStringLiteral("stall"), Misbehaviour::Stall},
    {QStringLiteral("garbage"), Misbehaviour::Garbage},
};

const ToolMain::Choices<StatsPages::Charset> Charsets = {
    {QStringLiteral("windows-1252"), StatsPages::Charset::Windows1252},
    {QStringLiteral("utf-8"), StatsPages::Charset::Utf8},
    {QStringLiteral("undeclared"), StatsPages::Charset::Undeclared},
};

struct Settings
{
    qint64 port = 0;
    qint64 runFor = 0;
    qint64 crowd = 0;
    qint64 cutEvery = 0;
    bool punctuated = false;
    bool quiet = false;
    Misbehaviour misbehaviour = Misbehaviour::None;
    StatsPages::Charset charset = StatsPages::Charset::Windows1252;
};

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("A simulated ngWorldStats service on 127.0.0.1."));
    parser.addHelpOption();
    ToolMain::addOption(parser, "port", "TCP port (default 8081, 0 = ephemeral).", "P", "8081");
    ToolMain::addOption(parser, "misbehave",
                        "none, not-found, refresh-loop, huge, endless-line, stall or garbage (default none).",
                        "HOW", "none");
    ToolMain::addOption(parser, "charset", "windows-1252, utf-8 or undeclared (default windows-1252).", "SET",
                        "windows-1252");
    ToolMain::addOption(parser, "punctuated", "Rank names with Windows-1252 punctuation instead of the defaults.");
    ToolMain::addOption(parser, "crowd", "Rank N players named \"Crowd Player <n>\" instead (0 = the defaults).", "N",
                        "0");
    ToolMain::addOption(parser, "cut-every", "Send answers in pieces of N bytes, a short pause apart (0 = whole).",
                        "N", "0");
    ToolMain::addOption(parser, "run-for", "Exit after MS milliseconds (0 = until SIGINT/SIGTERM).", "MS", "0");
    ToolMain::addOption(parser, "quiet", "Print only the listener line.");
}

// Stops at the first bad value, after saying which one it is.
bool readSettings(const QCommandLineParser &parser, Settings &s)
{
    if (!ToolMain::readNumber(parser, QStringLiteral("port"), 0, 65535, s.port)
        || !ToolMain::readNumber(parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, s.runFor)
        || !ToolMain::readNumber(parser, QStringLiteral("crowd"), 0, 1000000, s.crowd)
        || !ToolMain::readNumber(parser, QStringLiteral("cut-every"), 0, 0x7fffffffLL, s.cutEvery)
        || !ToolMain::readChoice(parser, QStringLiteral("charset"), Charsets, s.charset)
        || !ToolMain::readChoice(parser, QStringLiteral("misbehave"), Misbehaviours, s.misbehaviour))
        return false;
    if (!parser.positionalArguments().isEmpty()) {
        ToolMain::complain(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst()));
        return false;
    }
    s.quiet = parser.isSet(QStringLiteral("quiet"));
    s.punctuated = parser.isSet(QStringLiteral("punctuated"));
    return true;
}

// Request lines go to stderr with other bytes than printable ASCII escaped.
void logRequests(const SimulatedStatsService &service)
{
    QObject::connect(&service, &SimulatedStatsService::requestReceived, [](const StatsRequest &request) {
        QTextStream(stderr) << "request: " << ToolMain::printable(request.requestLine) << Qt::endl;
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-statssim"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    Settings settings;
    if (!readSettings(parser, settings))
        return 1;

    SimulatedStatsService service(settings.crowd > 0 ? StatsCatalogue::crowd(int(settings.crowd))
                                      : settings.punctuated ? StatsCatalogue::punctuated()
                                                            : StatsCatalogue::defaults());
    service.setMisbehaviour(settings.misbehaviour);
    service.setCharset(settings.charset);
    service.setCutEvery(settings.cutEvery);
    if (!service.listen(quint16(settings.port))) {
        ToolMain::complain(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(settings.port));
        return 1;
    }
    // Flushed at once, so a program that started the simulator can read the port.
    QTextStream(stdout) << "stats 127.0.0.1:" << service.port() << Qt::endl;
    if (!settings.quiet)
        logRequests(service);

    const int rc = ToolMain::exec(settings.runFor);
    if (!settings.quiet)
        QTextStream(stderr) << "quorvelin-statssim: " << service.requests().size() << " requests" << Qt::endl;
    return rc;
}
