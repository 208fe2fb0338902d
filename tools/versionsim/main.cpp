// quorvelin-versionsim: a simulated version service on 127.0.0.1 for tests
// and demos.

#include "SimulatedVersionService.h"

#include "ToolMain.h"

namespace {

const ToolMain::ServiceProgram kProgram = {"quorvelin-versionsim", "A simulated version service on 127.0.0.1.",
                                           "TCP port (default 8080, 0 = ephemeral).", "8080", "version"};

// In the order of the mode's values.
const QStringList kModes = {QStringLiteral("normal"),      QStringLiteral("padded-marker"), QStringLiteral("error"),
                            QStringLiteral("no-marker"),   QStringLiteral("two-lines"),     QStringLiteral("silent"),
                            QStringLiteral("never-close"), QStringLiteral("refuse")};

void addOptions(QCommandLineParser &parser)
{
    ToolMain::addOption(parser, "version", "The latest version announced (default 170).", "TEXT", "170");
    ToolMain::addOption(parser, "address", "The download address announced.", "URL",
                        "https://quorvelin.example/download/");
    ToolMain::addChoiceOption(parser, "mode", kModes);
}

// Stops at a bad mode or argument, after saying which one it is.
bool setUp(const QCommandLineParser &parser, SimulatedVersionService &service)
{
    SimulatedVersionService::Config config;
    if (!ToolMain::readChoice(parser, QStringLiteral("mode"), kModes, config.mode)
        || !ToolMain::rejectArguments(parser))
        return false;
    config.version = parser.value(QStringLiteral("version")).toUtf8();
    config.address = parser.value(QStringLiteral("address")).toUtf8();
    service.setConfig(config);
    return true;
}

} // namespace

// Whole requests go to the log.
int main(int argc, char *argv[])
{
    return ToolMain::runService(argc, argv, kProgram, addOptions, setUp,
                                [](const QByteArray &request) { return request; });
}
