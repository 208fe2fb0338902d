#pragma once

#include "ServerAddress.h"
#include "platform/PlatformServices.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class DatagramSocket;
class PacedWalk;
class QIODevice;
class ServerTable;
struct QueryStack;

// The window-less query of the report: sends the four queries to each
// server given, decodes the replies with the same engine as the window and
// leaves the records in its table for the pages.
class ConsoleQuery final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QList<ServerAddress> targets;
        int timeoutMs = 1000;
        std::optional<int> sleepMs;
    };

    // CannotRun: a bad argument or no socket. A name that does not resolve
    // counts as a server that did not reply.
    enum ExitCode { AllReplied = 0, CannotRun = 1, SomeSilent = 2 };

    ConsoleQuery(const Options &options, DatagramSocket &socket, const PlatformServices &services,
                 QObject *parent = nullptr);
    ~ConsoleQuery() override;

    // Starts the run; finished tells its exit code once every server has
    // answered or the time-out has passed. defaultSleepMs is the profile's pause between servers, used
    // when the options give none.
    void start(QIODevice &err, quint32 defaultSleepMs);

    // The table of the servers asked, for a caller that reads their records.
    ServerTable &table();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void countReply(int slot, const QByteArray &datagram);
    void finishWhenComplete();
    int exitCode() const;
    void end(int exitCode);

    Options m_options;
    std::unique_ptr<QueryStack> m_stack;
    PacedWalk *m_walk = nullptr;
    QIODevice *m_err = nullptr;
    QList<int> m_slots;
    QList<int> m_finals;
    QList<bool> m_replied;
    QList<bool> m_unresolved;
    int m_complete = 0;
    bool m_walkDone = false;
    bool m_ended = false;
    QTimer m_timeout;
};
