// quorvelin-versionsim: a simulated version service on 127.0.0.1 for tests
// and demos.

#include "SimulatedVersionService.h"

#include "ToolMain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <utility>

namespace {

using Mode = SimulatedVersionService::Mode;

const ToolMain::Choices<Mode> Modes = {
    {QStringLiteral("normal"), Mode::Normal},
    {QStringLiteral("padded-marker"), Mode::PaddedMarker},
    {QStringLiteral("error"), Mode::Error},
    {QStringLiteral("no-marker"), Mode::NoMarker},
    {QStringLiteral("two-lines"), Mode::TwoLines},
    {QStringLiteral("silent"), Mode::Silent},
    {QStringLiteral("never-close"), Mode::NeverClose},
    {QStringLiteral("refuse"), Mode::Refuse},
};

struct Settings
{
    qint64 port = 0;
    qint64 runFor = 0;
    bool quiet = false;
    SimulatedVersionService::Config service;
};

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("A simulated version service on 127.0.0.1."));
    parser.addHelpOption();
    ToolMain::addOption(parser, "port", "TCP port (default 8080, 0 = ephemeral).", "P", "8080");
    ToolMain::addOption(parser, "version", "The latest version announced (default 170).", "TEXT", "170");
    ToolMain::addOption(parser, "address",
                        "The download address announced.", "URL", "https://quorvelin.example/download/");
    ToolMain::addOption(parser, "mode",
                        "normal, padded-marker, error, no-marker, two-lines, silent, never-close or refuse "
                        "(default normal).",
                        "HOW", "normal");
    ToolMain::addOption(parser, "run-for", "Exit after MS milliseconds (0 = until SIGINT/SIGTERM).", "MS", "0");
    ToolMain::addOption(parser, "quiet", "Print only the listener line.");
}

// Stops at the first bad value, after saying which one it is.
bool readSettings(const QCommandLineParser &parser, Settings &s)
{
    if (!ToolMain::readNumber(parser, QStringLiteral("port"), 0, 65535, s.port)
        || !ToolMain::readNumber(parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, s.runFor)
        || !ToolMain::readChoice(parser, QStringLiteral("mode"), Modes, s.service.mode))
        return false;
    if (!parser.positionalArguments().isEmpty()) {
        ToolMain::complain(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst()));
        return false;
    }
    s.service.version = parser.value(QStringLiteral("version")).toUtf8();
    s.service.address = parser.value(QStringLiteral("address")).toUtf8();
    s.quiet = parser.isSet(QStringLiteral("quiet"));
    return true;
}

// Requests go to stderr with other bytes than printable ASCII escaped.
void logRequests(const SimulatedVersionService &service)
{
    QObject::connect(&service, &SimulatedVersionService::requestReceived, [](const QByteArray &request) {
        QTextStream(stderr) << "request: " << ToolMain::printable(request) << Qt::endl;
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-versionsim"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    Settings settings;
    if (!readSettings(parser, settings))
        return 1;

    SimulatedVersionService service(settings.service);
    if (!service.listen(quint16(settings.port))) {
        ToolMain::complain(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(settings.port));
        return 1;
    }
    // Flushed at once, so a program that started the simulator can read the port.
    QTextStream(stdout) << "version 127.0.0.1:" << service.port() << Qt::endl;
    if (!settings.quiet)
        logRequests(service);

    const int rc = ToolMain::exec(settings.runFor);
    if (!settings.quiet)
        QTextStream(stderr) << "quorvelin-versionsim: " << service.requests().size() << " requests" << Qt::endl;
    return rc;
}
