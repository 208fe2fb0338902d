#include "CommandLine.h"
#include "ConsoleRun.h"
#include "VersionText.h"
#include "core/BulkQuery.h"
#include "platform/ThreadHostResolver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>
#include <memory>

namespace {

int runQuery(int argc, char **argv, const CommandLine &commandLine)
{
    QString error;
    std::optional<BulkQuery::Options> options = BulkQuery::parseArguments(commandLine.queryArguments, &error);
    if (!options)
        return badArgument(error);
    useLeanEventDispatcher();
    QCoreApplication app(argc, argv);
    ConsoleStreams streams;
    ThreadHostResolver resolver;
    BulkQuery query(std::move(*options), resolver);
    std::optional<int> exitCode;
    QObject::connect(&query, &BulkQuery::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    query.start(streams.out, streams.err);
    // A run that ended before the loop started (no socket) needs no loop.
    streams.exit(exitCode ? *exitCode : QCoreApplication::exec());
}

// The directory of this executable, found before any application object exists.
QString programDirectory(const char *argv0)
{
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self.isEmpty() ? QString::fromLocal8Bit(argv0) : self).absolutePath();
}

// A module of the program: beside the executable in a build tree or a
// portable copy, in <prefix>/lib/quorvelin/ when installed. Without either
// the first place names the module in the error.
QString modulePath(const QString &programDir, const QString &baseName)
{
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

// Runs the entry point of a module; what, for the error message.
int runModule(int argc, char **argv, const char *baseName, const char *entry, const char *what)
{
    QLibrary module(modulePath(programDirectory(argv[0]), QLatin1String(baseName)));
    const auto moduleMain = reinterpret_cast<int (*)(int, char **)>(module.resolve(entry));
    if (!moduleMain) {
        std::fprintf(stderr, "quorvelin: cannot load the %s module: %s\n", what, qPrintable(module.errorString()));
        return 1;
    }
    return moduleMain(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    const CommandLine commandLine = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (commandLine.help) {
        std::fputs(qPrintable(CommandLine::usage()), stdout);
        return 0;
    }
    if (commandLine.version) {
        std::printf("%s\n", qPrintable(versionText()));
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "quorvelin: %s\n%s", qPrintable(commandLine.error), qPrintable(CommandLine::usage()));
        return 1;
    }
    if (commandLine.queryMode)
        return runQuery(argc, argv, commandLine);
    if (commandLine.masterMode || commandLine.reportMode || commandLine.historyMode)
        return runModule(argc, argv, "quorvelin-console", "quorvelinConsoleMain", "command-line");
    return runModule(argc, argv, "quorvelin-window", "quorvelinWindowMain", "window");
}
