#pragma once

// What the simulators' command lines share: number options with a range,
// and an end on SIGINT or SIGTERM through the event loop.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <utility>

namespace ToolMain {

inline volatile std::sig_atomic_t stopRequested = 0;

// A message on stderr behind the program's name.
inline void complain(const QString &message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
}

// The first 200 bytes of what a client sent, for a log line: printable
// ASCII as it is, other bytes as \xNN.
inline QString printable(const QByteArray &bytes)
{
    QByteArray shown;
    for (const char c : bytes.left(200)) {
        if (c >= ' ' && c < 127)
            shown += c;
        else
            shown += "\\x" + QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0');
    }
    return QString::fromLatin1(shown);
}

// Reads a whole number option in [low, high]; says what is wrong on stderr otherwise.
inline bool readNumber(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high,
                       qint64 &out)
{
    bool ok = false;
    out = parser.value(option).toLongLong(&ok);
    if (ok && out >= low && out <= high)
        return true;
    complain(QStringLiteral("--%1 must be a number from %2 to %3").arg(option).arg(low).arg(high));
    return false;
}

// A named choice of an option, such as "--misbehave stall".
template<typename T>
using Choices = QList<std::pair<QString, T>>;

// Reads an option that names one of choices; says which names are allowed otherwise.
template<typename T>
bool readChoice(const QCommandLineParser &parser, const QString &option, const Choices<T> &choices, T &out)
{
    const QString value = parser.value(option);
    QStringList names;
    for (const auto &[name, choice] : choices) {
        if (name == value) {
            out = choice;
            return true;
        }
        names.append(name);
    }
    complain(QStringLiteral("--%1 must be one of %2").arg(option, names.join(QStringLiteral(", "))));
    return false;
}

// Adds a flag, or with valueName an option with a value and its default.
inline void addOption(QCommandLineParser &parser, const char *name, const char *description,
                      const char *valueName = nullptr, const char *defaultValue = nullptr)
{
    parser.addOption(valueName ? QCommandLineOption(QLatin1String(name), QLatin1String(description),
                                                    QLatin1String(valueName), QLatin1String(defaultValue))
                               : QCommandLineOption(QLatin1String(name), QLatin1String(description)));
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

// Runs the event loop until SIGINT or SIGTERM, or for runForMs when that is
// above 0; the loop's exit code.
inline int exec(qint64 runForMs)
{
    QTimer stopPoll;
    quitOnStopSignals(stopPoll);
    if (runForMs > 0)
        QTimer::singleShot(int(runForMs), QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}

} // namespace ToolMain
