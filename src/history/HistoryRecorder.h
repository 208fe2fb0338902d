#pragma once

#include "HistorySource.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class HistoryStore;
class Poller;
class QueryEngine;
class ServerTable;

// Turns the replies the program gets anyway into history: a sample of each
// server that answered and the names of its players after a "\players\"
// reply. What a walk brought is written in one transaction when the walk
// ends; replies outside walks are written once they pause for a moment. It
// sends nothing.
class HistoryRecorder final : public QObject
{
    Q_OBJECT
public:
    // Seconds since the epoch, UTC.
    using Clock = std::function<qint64()>;

    // Replies more than this apart end a batch no walk ended.
    static constexpr int kQuietMs = 2000;
    // A batch is written at the latest after this long, however busy.
    static constexpr int kLongestBatchMs = 60000;

    // Without a clock the system's is used.
    HistoryRecorder(HistoryStore &store, const ServerTable &table, const QueryEngine &engine, const Poller &poller,
                    Clock clock = {}, QObject *parent = nullptr);

    // Writes what came since the last write, as one walk.
    void flush();

Q_SIGNALS:
    // The history cannot be kept; told once per run.
    void historyUnavailable(const QString &message);

private:
    struct PlayerList
    {
        QStringList names;
        qint64 time = 0;
    };
    // What a server's replies brought since the last write: the busiest
    // sample of each minute and every change of its player list, so a
    // player seen between two writes is not lost.
    struct Pending
    {
        HistoryServer server;
        QString serverName;
        QList<HistorySample> samples;
        QList<PlayerList> playerLists;
    };

    static void addSample(Pending &pending, const HistorySample &sample);
    static void addPlayerList(Pending &pending, const QStringList &names, qint64 time);
    void takeReply(int slot, const QByteArray &datagram);
    void tellUnavailable();

    HistoryStore &m_store;
    const ServerTable &m_table;
    Clock m_clock;
    QHash<QString, Pending> m_pending;
    QTimer m_quiet;
    QTimer m_longest;
    bool m_told = false;
};
