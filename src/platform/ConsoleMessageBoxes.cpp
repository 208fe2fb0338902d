#include "ConsoleMessageBoxes.h"

#include <cstdio>

namespace {
void printLine(const char *kind, const QString &text)
{
    std::fprintf(stderr, "quorvelin: %s: %s\n", kind, text.toLocal8Bit().constData());
}
} // namespace

void ConsoleMessageBoxes::showError(const QString &text)
{
    printLine("error", text);
}

void ConsoleMessageBoxes::showWarning(const QString &text)
{
    printLine("warning", text);
}

void ConsoleMessageBoxes::showInformation(const QString &text)
{
    printLine("note", text);
}

bool ConsoleMessageBoxes::confirm(const QString &text)
{
    printLine("question", text);
    return false;
}
