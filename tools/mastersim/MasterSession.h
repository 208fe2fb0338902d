#pragma once

#include "SimulatedMasterConfig.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <utility>

class QTcpSocket;

// One client connection to a simulated master server: the greeting with its
// challenge, the client's messages, and the list, game type list or refusal.
class MasterSession final : public QObject
{
    Q_OBJECT

public:
    using Pairs = QList<std::pair<QByteArray, QByteArray>>;

    // Takes ownership of a connected socket; config is copied, so later changes to
    // the master's configuration leave this connection alone.
    MasterSession(QTcpSocket *socket, const SimulatedMasterConfig &config, QObject *parent = nullptr);
    ~MasterSession() override;

    void start(); // greets the client and starts the idle time-out
    void abort(); // drops the connection at once, after recording what it had sent

    QByteArray challenge() const { return m_challenge; }
    bool isFinished() const { return m_finished; }

    // "\k1\v1\k2\v2\final\" -> {(k1, v1), (k2, v2), (final, "")}
    static Pairs pairsOf(const QByteArray &message);

Q_SIGNALS:
    void requestReceived(const QByteArray &request); // one client message, as received
    void refused();
    void answered();
    void finished(); // the connection is gone; the session deletes itself

private:
    // A reply's entries end to end, and where each one starts.
    struct Entries
    {
        QByteArray text;
        QList<qsizetype> starts;

        void append(const QByteArray &entry);
        QByteArray firstHalf() const; // the first half of the entries
    };

    void readInput();
    void takeInput();
    void sendCut(const QByteArray &bytes, const QList<qsizetype> &cuts, const std::function<void()> &then);
    void takeMessages(bool handle);
    void takeQuietRequest();
    void handleMessage(const QByteArray &message);
    void answer(const Pairs &request);
    Entries serverEntries(const Pairs &request) const;
    Entries gameTypeEntries() const;
    void refuse();
    void sendReply(const Entries &entries);
    void sendEndless();
    void sendGarbage();
    void sendSplitFinal(const QByteArray &body);
    void finish();

    QTcpSocket *m_socket;
    SimulatedMasterConfig m_config;
    QByteArray m_challenge;
    QByteArray m_input;
    QTimer m_idleTimer;
    QTimer m_quietTimer;
    bool m_validated = false;
    bool m_greeting = false; // the greeting is still going out; input waits
    bool m_replying = false; // a reply or refusal has begun; later input is only recorded
    bool m_finished = false;
};
