// quorvelin-statssim: a simulated ngWorldStats service on 127.0.0.1 for tests
// and demos.

#include "SimulatedStatsService.h"

#include "ToolMain.h"

namespace {

const ToolMain::ServiceProgram kProgram = {"quorvelin-statssim", "A simulated ngWorldStats service on 127.0.0.1.",
                                           "TCP port (default 8081, 0 = ephemeral).", "8081", "stats"};

// In the order of the enums' values.
const QStringList kMisbehaviours = {
    QStringLiteral("none"),         QStringLiteral("not-found"), QStringLiteral("refresh-loop"), QStringLiteral("huge"),
    QStringLiteral("endless-line"), QStringLiteral("stall"),     QStringLiteral("garbage")};
const QStringList kCharsets = {QStringLiteral("windows-1252"), QStringLiteral("utf-8"), QStringLiteral("undeclared")};

void addOptions(QCommandLineParser &parser)
{
    ToolMain::addChoiceOption(parser, "misbehave", kMisbehaviours);
    ToolMain::addChoiceOption(parser, "charset", kCharsets, "", "SET");
    ToolMain::addOption(parser, "punctuated", "Rank names with Windows-1252 punctuation instead of the defaults.");
    ToolMain::addOption(parser, "crowd", "Rank N players named \"Crowd Player <n>\" instead (0 = the defaults).", "N",
                        "0");
    ToolMain::addOption(parser, "cut-every", "Send answers in pieces of N bytes, a short pause apart (0 = whole).", "N",
                        "0");
}

// Stops at the first bad value, after saying which one it is.
bool setUp(const QCommandLineParser &parser, SimulatedStatsService &service)
{
    qint64 crowd = 0;
    qint64 cutEvery = 0;
    SimulatedStatsService::Misbehaviour misbehaviour = SimulatedStatsService::Misbehaviour::None;
    StatsPages::Charset charset = StatsPages::Charset::Windows1252;
    if (!ToolMain::readNumber(parser, QStringLiteral("crowd"), 0, 1000000, crowd)
        || !ToolMain::readNumber(parser, QStringLiteral("cut-every"), 0, 0x7fffffffLL, cutEvery)
        || !ToolMain::readChoice(parser, QStringLiteral("charset"), kCharsets, charset)
        || !ToolMain::readChoice(parser, QStringLiteral("misbehave"), kMisbehaviours, misbehaviour)
        || !ToolMain::rejectArguments(parser))
        return false;
    service.setCatalogue(crowd > 0                                    ? StatsCatalogue::crowd(int(crowd))
                         : parser.isSet(QStringLiteral("punctuated")) ? StatsCatalogue::punctuated()
                                                                      : StatsCatalogue::defaults());
    service.setMisbehaviour(misbehaviour);
    service.setCharset(charset);
    service.setCutEvery(cutEvery);
    return true;
}

} // namespace

// Request lines go to the log.
int main(int argc, char *argv[])
{
    return ToolMain::runService(argc, argv, kProgram, addOptions, setUp,
                                [](const StatsRequest &request) { return request.requestLine; });
}
