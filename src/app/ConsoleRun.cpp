#include "ConsoleRun.h"

#include "CommandLine.h"
#include "ProcessExit.h"

#include <cstdio>

ConsoleStreams::ConsoleStreams()
{
    out.open(stdout, QIODevice::WriteOnly);
    err.open(stderr, QIODevice::WriteOnly);
}

void ConsoleStreams::exit(int status)
{
    out.flush();
    err.flush();
    exitWithoutWaiting(status);
}

int badArgument(const QString &error)
{
    std::fprintf(stderr, "quorvelin: %s\n%s", qPrintable(error), qPrintable(CommandLine::usage()));
    return 1;
}

void useLeanEventDispatcher()
{
    qputenv("QT_NO_GLIB", "1");
}
