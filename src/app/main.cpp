#include "AppPaths.h"
#include "CommandLine.h"
#include "ProcessExit.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "WindowMain.h"
#include "core/ConsoleQuery.h"
#include "discovery/ConsoleMaster.h"
#include "platform/QtProcessLauncher.h"
#include "platform/XdgUrlOpener.h"
#include "report/ConsoleReport.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace {

int runQuery(int argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<ConsoleQuery::Options> options =
        ConsoleQuery::parseArguments(commandLine.queryArguments, &error);
    if (!options) {
        std::fprintf(stderr, "quorvelin: %s\n%s", qPrintable(error), qPrintable(CommandLine::usage()));
        return ConsoleQuery::CannotRun;
    }
    ConsoleMessageBoxes messages;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;

    // The pause between servers defaults to the profile's SleepTime.
    const QString profile = AppPaths::profileDirectory(commandLine.profile, QCoreApplication::applicationDirPath(),
                                                       AppPaths::userConfigDirectory());
    const ConfigFile config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), messages);
    const Settings settings = Configuration::loadConfiguration(config.read(), profile);

    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    ConsoleQuery query(*options, socket, platform.services);
    std::optional<int> exitCode;
    QObject::connect(&query, &ConsoleQuery::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    query.start(out, err, static_cast<quint32>(std::max(0, settings.SleepTime)));
    // A run that ended before the loop started (no socket) needs no loop.
    const int status = exitCode ? *exitCode : QCoreApplication::exec();
    out.flush();
    err.flush();
    exitWithoutWaiting(status);
}

int runMaster(int argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    QString error;
    const std::optional<ConsoleMaster::Options> options =
        ConsoleMaster::parseArguments(commandLine.masterArguments, &error);
    if (!options) {
        std::fprintf(stderr, "quorvelin: %s\n%s", qPrintable(error), qPrintable(CommandLine::usage()));
        return ConsoleMaster::BadArgument;
    }
    QFile out, err;
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
    ConsoleMaster master(*options, out, err);
    QObject::connect(&master, &ConsoleMaster::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    master.start();
    const int status = QCoreApplication::exec();
    out.flush();
    err.flush();
    exitWithoutWaiting(status);
}

int runReport(int argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    ConsoleMessageBoxes messages;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString profile =
        AppPaths::profileDirectory(commandLine.profile, programDir, AppPaths::userConfigDirectory());
    const ConfigFile config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), messages);
    const IniFile ini = config.read();
    const Settings settings = Configuration::loadConfiguration(ini, profile + QLatin1Char('/'));
    QtProcessLauncher processes;
    XdgUrlOpener urls(processes);
    QFile err;
    err.open(stderr, QIODevice::WriteOnly);
    ConsoleReport report({socket, platform.services, processes, urls, programDir + QLatin1Char('/')});
    QObject::connect(&report, &ConsoleReport::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    report.start(ini, settings, err);
    const int status = QCoreApplication::exec();
    err.flush();
    exitWithoutWaiting(status);
}

// The directory of this executable, found before any application object exists.
QString programDirectory(const char *argv0)
{
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self.isEmpty() ? QString::fromLocal8Bit(argv0) : self).absolutePath();
}

// The window module: beside the executable in a build tree or a portable
// copy, in <prefix>/lib/quorvelin/ when installed. Without either the
// first place names the module in the error.
QString windowModulePath(const QString &programDir)
{
    const QString baseName = QStringLiteral("quorvelin-window");
    const QString candidates[] = {
        programDir + QLatin1Char('/') + baseName,
        QDir::cleanPath(programDir + QStringLiteral("/../lib/quorvelin/") + baseName),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate + QStringLiteral(".so")))
            return candidate;
    }
    return candidates[0];
}

int runWindow(int argc, char **argv)
{
    QLibrary module(windowModulePath(programDirectory(argv[0])));
    const auto windowMain = reinterpret_cast<QuorvelinWindowMain>(module.resolve("quorvelinWindowMain"));
    if (!windowMain) {
        std::fprintf(stderr, "quorvelin: cannot load the window module: %s\n", qPrintable(module.errorString()));
        return 1;
    }
    return windowMain(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments.append(QString::fromLocal8Bit(argv[k]));
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.help) {
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "quorvelin: %s\n%s", qPrintable(commandLine.error), qPrintable(CommandLine::usage()));
        return 1;
    }
    if (commandLine.queryMode)
        return runQuery(argc, argv, commandLine);
    if (commandLine.masterMode)
        return runMaster(argc, argv, commandLine);
    if (commandLine.reportMode)
        return runReport(argc, argv, commandLine);
    return runWindow(argc, argv);
}
