#include "HistoryRecorder.h"

#include "HistoryStore.h"
#include "core/Poller.h"
#include "core/QueryEngine.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"
#include "core/TextDecoding.h"
#include "viewlogic/ServerInfoRows.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

HistoryRecorder::HistoryRecorder(HistoryStore &store, const ServerTable &table, const QueryEngine &engine,
                                 const Poller &poller, Clock clock, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_table(table)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentSecsSinceEpoch(); }))
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(kQuietMs);
    m_longest.setSingleShot(true);
    m_longest.setInterval(kLongestBatchMs);
    connect(&m_quiet, &QTimer::timeout, this, &HistoryRecorder::flush);
    connect(&m_longest, &QTimer::timeout, this, &HistoryRecorder::flush);
    connect(&engine, &QueryEngine::replyDecoded, this, &HistoryRecorder::takeReply);
    connect(&poller, &Poller::playerScanFinished, this, [this] { flush(); });
    connect(&poller, &Poller::allServersUpdated, this, [this] { flush(); });
    connect(&poller, &Poller::selectedSettled, this, [this] { flush(); });
}

void HistoryRecorder::takeReply(int slot, const QByteArray &datagram)
{
    const TUTServer *record = m_table.server(slot);
    const TServerListInfo *entry = m_table.entry(slot);
    if (!record || !entry)
        return;
    if (!m_store.isAvailable()) {
        tellUnavailable();
        return;
    }
    const qint64 now = m_clock();
    const HistoryServer server{entry->Host, entry->Port.toInt()};
    Pending &pending = m_pending[server.key()];
    pending.server = server;
    pending.serverName = ServerInfoRows::reportedName(*record);
    if (pending.serverName.isEmpty())
        pending.serverName = entry->Name;
    // Until the server's info has come the record has no count to tell.
    if (!record->MaxPlayers.isEmpty()) {
        // The map's file name says which map it is; a title alone where it is missing.
        const QByteArray &map = record->MapName.isEmpty() ? record->MapTitle : record->MapName;
        addSample(pending, HistorySample{now, strToIntOrZero(record->NumPlayers), strToIntOrZero(record->MaxPlayers),
                                         decodeUtf8OrWindows1252(map)});
    }
    if (datagram.contains("\\player_")) {
        QStringList names;
        const int count = record->validPlayerSlots();
        for (int k = 0; k < count; ++k) {
            const QByteArray &name = record->Players[static_cast<size_t>(k)].Name;
            if (!name.isEmpty())
                names.append(decodeUtf8OrWindows1252(name));
        }
        addPlayerList(pending, names, now);
    } else if (!pending.samples.isEmpty() && pending.samples.last().players == 0) {
        // An empty server's "\players\" reply lists nobody; its count says so.
        addPlayerList(pending, {}, now);
    }
    m_quiet.start();
    if (!m_longest.isActive())
        m_longest.start();
}

void HistoryRecorder::addSample(Pending &pending, const HistorySample &sample)
{
    // A reply comes in several datagrams, each updating the same record: of
    // one minute the busiest sample stays (of equals the latest), as the store keeps it.
    if (!pending.samples.isEmpty() && pending.samples.last().time / 60 == sample.time / 60) {
        if (sample.players >= pending.samples.last().players)
            pending.samples.last() = sample;
        return;
    }
    pending.samples.append(sample);
}

void HistoryRecorder::addPlayerList(Pending &pending, const QStringList &names, qint64 time)
{
    // The datagrams of one reply fill the record's list in turn, within a
    // second: the fuller list replaces the one before it.
    if (!pending.playerLists.isEmpty()) {
        PlayerList &last = pending.playerLists.last();
        const bool grown = std::all_of(last.names.cbegin(), last.names.cend(),
                                       [&names](const QString &name) { return names.contains(name); });
        if (last.time == time && grown) {
            last.names = names;
            return;
        }
    }
    pending.playerLists.append(PlayerList{names, time});
}

void HistoryRecorder::flush()
{
    m_quiet.stop();
    m_longest.stop();
    if (m_pending.isEmpty())
        return;
    const QHash<QString, Pending> pending = std::exchange(m_pending, {});
    if (!m_store.isAvailable()) {
        tellUnavailable();
        return;
    }
    m_store.beginWalk();
    for (const Pending &server : pending) {
        for (const HistorySample &sample : server.samples)
            m_store.addSample(server.server, server.serverName, sample);
        for (const PlayerList &list : server.playerLists)
            m_store.addPlayers(server.server, server.serverName, list.names, list.time);
    }
    if (!m_store.commitWalk(m_clock()))
        tellUnavailable();
}

void HistoryRecorder::tellUnavailable()
{
    if (m_told || m_store.isAvailable())
        return;
    m_told = true;
    Q_EMIT historyUnavailable(m_store.errorString());
}
