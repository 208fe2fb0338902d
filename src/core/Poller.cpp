#include "Poller.h"

#include "PacedWalk.h"
#include "PollingDelays.h"
#include "QueryEngine.h"
#include "ServerTable.h"
#include "StrToIntOrZero.h"

#include <chrono>

using namespace std::chrono_literals;
using Step = PacedWalk::Step;

Poller::Poller(QueryEngine &engine, ServerTable &table, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_table(table)
{
    m_playerScanTimer.setInterval(2000ms);
    m_serverInfoTimer.setInterval(60000ms);
    m_playerInfoTimer.setInterval(1000ms);
    connect(&m_playerScanTimer, &QTimer::timeout, this, &Poller::scanCheckedServers);
    connect(&m_serverInfoTimer, &QTimer::timeout, this, &Poller::serverInfoDue);
    connect(&m_playerInfoTimer, &QTimer::timeout, this, &Poller::playerInfoDue);

    m_scan = new PacedWalk(
        m_table,
        [this](int slot, int position) {
            if (!m_table.isChecked(position))
                return Step::Skipped;
            const QueryEngine::Sent sent = m_engine.scanServer(slot);
            if (sent != QueryEngine::Sent::Yes)
                return QueryEngine::stepFor(sent);
            TUTServer *server = m_table.server(slot);
            m_netChange += strToIntOrZero(server->PrevNumPlayers) - strToIntOrZero(server->NumPlayers);
            server->PrevNumPlayers = server->NumPlayers;
            return Step::Paused;
        },
        this);
    connect(m_scan, &PacedWalk::finished, this, [this](bool completed) {
        if (completed)
            Q_EMIT playerScanFinished(m_netChange);
    });

    m_updateAll = m_engine.createQueryWalk(this);
    connect(m_updateAll, &PacedWalk::finished, this, [this](bool completed) {
        if (completed)
            Q_EMIT allServersUpdated();
    });

    for (size_t k = 0; k < m_refreshWalks.size(); ++k) {
        const auto kind = static_cast<Refresh>(k);
        auto *walk = new PacedWalk(
            m_table,
            [this, kind](int slot, int) {
                const QueryEngine::Sent sent = m_engine.queryServer(slot);
                if (sent == QueryEngine::Sent::Yes)
                    Q_EMIT selectedQueried(kind, slot);
                return QueryEngine::stepFor(sent);
            },
            this);
        connect(walk, &PacedWalk::finished, this, [this, kind](bool completed) {
            // The server may have been deleted during the pause.
            const int position = m_table.positionOfItemId(m_refreshItems[static_cast<size_t>(kind)]);
            if (completed && position >= 0)
                Q_EMIT selectedSettled(kind, m_table.slotAt(position));
        });
        m_refreshWalks[k] = walk;
    }
}

void Poller::setServerListDelay(int position)
{
    m_playerScanTimer.setInterval(std::chrono::seconds(position));
}

void Poller::setServerInfoDelay(int position)
{
    m_serverInfoTimer.setInterval(std::chrono::minutes(position));
}

void Poller::setPlayerInfoDelay(int position)
{
    m_playerInfoTimer.setInterval(std::chrono::seconds(PollingDelays::playerInfoDelaySeconds(position)));
}

void Poller::setServerInfoUpdate(bool enabled)
{
    if (enabled)
        m_serverInfoTimer.start();
    else
        m_serverInfoTimer.stop();
}

void Poller::setPlayerInfoUpdate(bool enabled)
{
    if (enabled)
        m_playerInfoTimer.start();
    else
        m_playerInfoTimer.stop();
}

void Poller::startPolling()
{
    m_playerScanTimer.start();
}

void Poller::stop()
{
    m_playerScanTimer.stop();
    m_serverInfoTimer.stop();
    m_playerInfoTimer.stop();
    m_scan->cancel();
    m_updateAll->cancel();
    for (PacedWalk *walk : m_refreshWalks)
        walk->cancel();
}

bool Poller::scanCheckedServers()
{
    if (m_scan->isRunning())
        return false;
    m_netChange = 0;
    return m_scan->startOverList(m_engine.sleepTime());
}

bool Poller::updateAllServers()
{
    return m_updateAll->startOverList(m_engine.sleepTime());
}

bool Poller::refreshSelected(Refresh kind, int slot)
{
    PacedWalk *walk = refreshWalk(kind);
    const quint64 item = m_table.itemIdAt(m_table.positionOfSlot(slot));
    if (walk->isRunning() || item == 0)
        return false;
    m_refreshItems[static_cast<size_t>(kind)] = item;
    return walk->start({item}, m_engine.sleepTime());
}
