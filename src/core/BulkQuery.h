#pragma once

#include "PacedWalk.h"
#include "QueryRecordWriter.h"
#include "QueryReply.h"
#include "ServerAddress.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>
#include <string>
#include <vector>

class HostResolver;
class QIODevice;
class UdpBatchSocket;

// The window-less query of any number of servers. Each server is asked
// "\status\" (its settings, rules and players in one reply) and, for a team
// game of a version that knows it, "\teams\"; a reply that stays silent or
// misses parts is asked for again. A bounded number of servers are asked at
// once, and records are printed in the order given as soon as each is done,
// so memory follows the servers awaited, not the length of the list.
class BulkQuery final : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QList<ServerAddress> targets;
        bool json = false;
        int timeoutMs = 500; // wait for each request's reply
        int retries = 2;     // requests sent again after the first
        int inFlight = 32;   // servers awaited at once
        int sleepMs = 0;     // pause after each server's first request
    };

    enum ExitCode { AllComplete = 0, CannotRun = 1, SomeMissing = 2 };

    // Reads the options that follow "--query"; servers are optional when
    // targetsRequired is false (they come from a master list). On failure
    // returns nothing and sets error to a message for the user.
    static std::optional<Options> parseArguments(const QStringList &arguments, QString *error,
                                                 bool targetsRequired = true);

    BulkQuery(Options options, HostResolver &resolver, QObject *parent = nullptr);
    ~BulkQuery() override;

    // Starts the run; finished tells its exit code once every record is out.
    void start(QIODevice &out, QIODevice &err);

Q_SIGNALS:
    void finished(int exitCode);

private:
    enum class Stage : quint8 { Waiting, Resolving, Asked, Done };
    enum Request : quint8 { Status, Teams };
    struct Target
    {
        QString host;
        quint32 ipv4 = 0;
        quint16 port = 0;
        Stage stage = Stage::Waiting;
        bool replied = false;
        bool teamsAsked = false;
        quint8 tries[2] = {0, 0};
        qint64 sentUs = 0;
        qint64 pingUs = -1;
        QueryReply replies[2];
    };
    struct Deadline
    {
        qint64 atUs;
        int target;
        Request request;
        quint8 tryNumber;
    };

    void removeDuplicates();
    PacedWalk::Step sendStep();
    void ask(int index, Request request);
    void readReplies(Request request);
    void take(int index, Request request, QByteArrayView datagram);
    void onDeadline();
    void armDeadline();
    void finishTarget(int index);
    void printFinished();
    void nameResolved(const QString &name, const QString &ipv4);
    void flushOutput(bool all);
    void endWhenDone();
    qint64 nowUs() const { return m_clock.nsecsElapsed() / 1000; }

    Options m_options;
    HostResolver &m_resolver;
    QIODevice *m_out = nullptr;
    QIODevice *m_err = nullptr;
    UdpBatchSocket *m_sockets[2] = {nullptr, nullptr};
    PacedWalk *m_walk = nullptr;
    std::vector<Target> m_targets;
    // A name may resolve to an address given as well: both records take the replies.
    QMultiHash<quint64, int> m_bySender;
    QHash<QString, QList<int>> m_byName;
    std::deque<int> m_ready;
    std::deque<Deadline> m_deadlines;
    QTimer m_deadlineTimer;
    QElapsedTimer m_clock;
    QueryRecordWriter m_writer;
    std::string m_output;
    int m_asked = 0;
    int m_resolving = 0;
    int m_nextToPrint = 0;
    int m_missing = 0;
    qint64 m_strays = 0;
    bool m_waitingForRoom = false;
    bool m_ended = false;
};
