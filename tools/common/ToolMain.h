#pragma once

// What the simulators' command lines share: number options with a range,
// and an end on SIGINT or SIGTERM through the event loop.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <csignal>

namespace ToolMain {

inline volatile std::sig_atomic_t stopRequested = 0;

// Reads a whole number option in [low, high]; says what is wrong on stderr otherwise.
inline bool readNumber(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high,
                       qint64 &out)
{
    bool ok = false;
    out = parser.value(option).toLongLong(&ok);
    if (ok && out >= low && out <= high)
        return true;
    QTextStream(stderr) << QCoreApplication::applicationName() << ": --" << option << " must be a number from "
                        << low << " to " << high << Qt::endl;
    return false;
}

// Signal handlers may only set a flag; the event loop picks it up through stopPoll.
inline void quitOnStopSignals(QTimer &stopPoll)
{
    const auto requestStop = [](int) { stopRequested = 1; };
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QObject::connect(&stopPoll, &QTimer::timeout, QCoreApplication::instance(), [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    stopPoll.start(50);
}

} // namespace ToolMain
