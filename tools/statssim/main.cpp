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
    ToolMain::addOption(parser, "count",
                        "Also rank the servers of a quorvelin-gamesim farm of N servers and every name its players "
                        "may have (default 0: none).",
                        "N", "0");
    ToolMain::addOption(parser, "base-port", "The farm's first query port, as quorvelin-gamesim's (default 7778).", "P",
                        "7778");
    ToolMain::addOption(parser, "random-start", "The farm's RNG start value, as quorvelin-gamesim's (default 1).", "N",
                        "1");
}

// Stops at the first bad value, after saying which one it is.
bool setUp(const QCommandLineParser &parser, SimulatedStatsService &service)
{
    qint64 crowd = 0;
    qint64 cutEvery = 0;
    qint64 farmCount = 0;
    qint64 basePort = 0;
    qint64 randomStart = 0;
    SimulatedStatsService::Misbehaviour misbehaviour = SimulatedStatsService::Misbehaviour::None;
    StatsPages::Charset charset = StatsPages::Charset::Windows1252;
    if (!ToolMain::readNumber(parser, QStringLiteral("crowd"), 0, 1000000, crowd)
        || !ToolMain::readNumber(parser, QStringLiteral("cut-every"), 0, 0x7fffffffLL, cutEvery)
        || !ToolMain::readNumber(parser, QStringLiteral("count"), 0, 65535, farmCount)
        || !ToolMain::readNumber(parser, QStringLiteral("base-port"), 2, 65535, basePort)
        || !ToolMain::readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, randomStart)
        || !ToolMain::readChoice(parser, QStringLiteral("charset"), kCharsets, charset)
        || !ToolMain::readChoice(parser, QStringLiteral("misbehave"), kMisbehaviours, misbehaviour)
        || !ToolMain::rejectArguments(parser))
        return false;
    if (basePort + farmCount - 1 > 65535) {
        ToolMain::complain(QStringLiteral("--base-port %1 leaves no room for %2 servers").arg(basePort).arg(farmCount));
        return false;
    }
    StatsCatalogue catalogue = crowd > 0                                    ? StatsCatalogue::crowd(int(crowd))
                               : parser.isSet(QStringLiteral("punctuated")) ? StatsCatalogue::punctuated()
                                                                            : StatsCatalogue::defaults();
    catalogue.addFarm(int(farmCount), quint16(basePort), quint32(randomStart));
    service.setCatalogue(catalogue);
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
