#pragma once

#include <QFile>
#include <QString>

// What the command-line modes share: their output and error streams,
// flushed before the process ends without waiting for the event loop to
// unwind, the message for a bad argument, and the lean event dispatcher.
struct ConsoleStreams
{
    ConsoleStreams();
    [[noreturn]] void exit(int status);

    QFile out;
    QFile err;
};

// Says what is wrong and how the program is used; returns the exit status 1.
int badArgument(const QString &error);

// A few sockets and timers need no more than Qt's own event dispatcher, which
// starts faster than the GLib one. Called before the application object.
void useLeanEventDispatcher();
