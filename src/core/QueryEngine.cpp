#include "QueryEngine.h"

#include "DebugLog.h"
#include "DottedAddress.h"
#include "EngineHost.h"
#include "PollingDelays.h"
#include "ReplyCodec.h"
#include "RunState.h"
#include "ServerTable.h"
#include "StrToIntOrZero.h"
#include "platform/DatagramSocket.h"
#include "platform/EventPump.h"
#include "platform/MessageBoxes.h"
#include "platform/TickClock.h"

#include <chrono>

using namespace std::chrono_literals;

QueryEngine::QueryEngine(RunState &state, ServerTable &table, DebugLog &log, DatagramSocket &socket,
                         const PlatformServices &services, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_table(table)
    , m_log(log)
    , m_socket(socket)
    , m_services(services)
{
    tm_PlayerScan.setInterval(2000ms);
    tm_ServerInfo.setInterval(60000ms);
    tm_PlayerInfo.setInterval(1000ms);
    connect(&tm_PlayerScan, &QTimer::timeout, this, &QueryEngine::tm_PlayerScanTimer);
    connect(&tm_ServerInfo, &QTimer::timeout, this, &QueryEngine::tm_ServerInfoTimer);
    connect(&tm_PlayerInfo, &QTimer::timeout, this, &QueryEngine::tm_PlayerInfoTimer);
    connect(&m_socket, &DatagramSocket::datagramReceived, this, &QueryEngine::udp_MainUDPRead);
}

bool QueryEngine::bindMain(quint16 localPort, QString *error)
{
    if (m_socket.bind(localPort))
        return true;
    if (error)
        *error = m_socket.errorString();
    return false;
}

bool QueryEngine::SendQuery(int slot, const QByteArray &query)
{
    TUTServer *server = m_table.server(slot);
    if (m_state.ShuttingDown || !server || DottedAddress::isUnset(server->Host))
        return true;

    if (m_log.isActive())
        m_log.log(QStringLiteral("send ") + QString::fromLatin1(query) + QStringLiteral(" to ") + server->Host
                  + QLatin1Char(':') + QString::number(server->QueryPort()));

    const DottedAddress address = DottedAddress::parse(server->Host);
    if (!address.ok) {
        showSendError(address.error);
        return false;
    }
    const int port = server->QueryPort();
    if (port <= 0 || port > 65535) {
        m_log.log(QStringLiteral("not sent: port ") + QString::number(port) + QStringLiteral(" is out of range"));
        return true;
    }
    if (!m_socket.send(query, address.ipv4, static_cast<quint16>(port)))
        m_log.log(QStringLiteral("send failed: ") + m_socket.errorString());

    if (server->PingSentTick == 0)
        server->PingSentTick = m_services.clock->tickCount();
    return true;
}

void QueryEngine::showSendError(const QString &message)
{
    // One box at a time: timers keep ticking while it is open and would
    // otherwise stack up a box for every scan.
    if (m_errorShowing) {
        m_log.log(QStringLiteral("error: ") + message);
        return;
    }
    m_errorShowing = true;
    m_services.messages->showError(message);
    m_errorShowing = false;
}

bool QueryEngine::QueryServer(int slot)
{
    static const QByteArray kQueries[] = {
        QByteArrayLiteral("\\info\\"),
        QByteArrayLiteral("\\players\\"),
        QByteArrayLiteral("\\rules\\"),
        QByteArrayLiteral("\\teams\\"),
    };
    for (const QByteArray &query : kQueries) {
        if (!SendQuery(slot, query))
            return false;
        m_services.pump->processPending();
    }
    return true;
}

void QueryEngine::WaitPumping(quint32 milliseconds)
{
    m_services.pump->waitPumping(milliseconds);
}

void QueryEngine::udp_MainUDPRead(const QByteArray &datagram, const QString &address, quint16 port)
{
    if (m_state.ShuttingDown)
        return;
    const int slot = m_table.slotForSender(address, port);
    if (slot < 0) {
        m_log.log(QStringLiteral("received data from unknown location : ") + address + QLatin1Char(':')
                  + QString::number(port));
        return;
    }
    TUTServer *server = m_table.server(slot);
    if (server->PingSentTick != 0) {
        server->Ping = m_services.clock->tickCount() - server->PingSentTick;
        server->PingSentTick = 0;
    }
    if (m_log.isActive())
        m_log.log(address + QLatin1Char(':') + QString::number(port) + QStringLiteral(" -> ") + QString::fromLatin1(datagram));
    ParseServerReply(slot, datagram);
    Q_EMIT replyDecoded(slot, datagram);
}

void QueryEngine::ParseServerReply(int slot, const QByteArray &text)
{
    TUTServer *server = m_table.server(slot);
    if (m_state.ShuttingDown || !server)
        return;
    if (ReplyCodec::ParseServerReply(*server, text))
        m_table.SyncListCounts(slot);
}

bool QueryEngine::stillListed(quint64 itemId) const
{
    return m_table.positionOfItemId(itemId) >= 0;
}

void QueryEngine::resortIfSorted()
{
    if (m_table.CurrentComparator)
        m_table.SortServerList(*m_table.CurrentComparator);
}

void QueryEngine::tm_PlayerScanTimer()
{
    if (m_state.ShuttingDown)
        return;
    // The walk waits between servers, and the user may change the list
    // meanwhile: items are followed by identity, never by position.
    const QList<quint64> walk = m_table.itemIds();

    int d = 0;
    for (quint64 id : walk) {
        if (m_state.ShuttingDown)
            return;
        const int position = m_table.positionOfItemId(id);
        if (position < 0 || !m_table.isChecked(position))
            continue;
        const int slot = m_table.slotAt(position);
        if (!SendQuery(slot, QByteArrayLiteral("\\players\\")))
            return;
        m_services.pump->processPending();
        if (!stillListed(id))
            continue;
        if (!SendQuery(slot, QByteArrayLiteral("\\teams\\")))
            return;
        TUTServer *server = m_table.server(slot);
        d += StrToIntOrZero(server->PrevNumPlayers) - StrToIntOrZero(server->NumPlayers);
        server->PrevNumPlayers = server->NumPlayers;
        WaitPumping(SleepTime);
    }
    if (m_state.ShuttingDown)
        return;

    if (m_host) {
        if (d < 0)
            m_host->StartBlink(2);
        else if (d > 0)
            m_host->StartBlink(3);
        m_host->UpdateTitleBar();
        m_host->SelectionRefresh();
    }
    resortIfSorted();
}

int QueryEngine::querySelected()
{
    if (m_state.ShuttingDown || !m_host)
        return -1;
    const int slot = m_host->selectedSlot();
    if (slot < 0 || !QueryServer(slot))
        return -1;
    return slot;
}

void QueryEngine::tm_ServerInfoTimer()
{
    const int slot = querySelected();
    if (slot < 0)
        return;
    m_services.pump->processPending();
    if (m_state.ShuttingDown)
        return;
    m_host->FillServerInfoView(slot);
    WaitPumping(SleepTime);
    if (!m_state.ShuttingDown)
        m_host->UpdateTitleBar();
}

void QueryEngine::tm_PlayerInfoTimer()
{
    const int slot = querySelected();
    if (slot < 0)
        return;
    m_services.pump->processPending();
    if (m_state.ShuttingDown || m_table.isFree(slot))
        return;
    m_host->FillPlayersView(slot);
    m_host->ShowTeamStrips(slot);
    m_host->RepaintScoreViews();
    m_host->CheckBuddies();
    WaitPumping(SleepTime);
    if (!m_state.ShuttingDown)
        m_host->UpdateTitleBar();
}

void QueryEngine::setServerListDelay(int position)
{
    tm_PlayerScan.setInterval(std::chrono::milliseconds(position * 1000));
}

void QueryEngine::setServerInfoDelay(int position)
{
    tm_ServerInfo.setInterval(std::chrono::milliseconds(position * 60000));
}

void QueryEngine::setPlayerInfoDelay(int position)
{
    tm_PlayerInfo.setInterval(std::chrono::milliseconds(PollingDelays::PlayerInfoDelaySeconds(position) * 1000));
}

void QueryEngine::setServerInfoUpdate(bool enabled)
{
    if (enabled)
        tm_ServerInfo.start();
    else
        tm_ServerInfo.stop();
}

void QueryEngine::setPlayerInfoUpdate(bool enabled)
{
    if (enabled)
        tm_PlayerInfo.start();
    else
        tm_PlayerInfo.stop();
}

void QueryEngine::startPolling()
{
    tm_PlayerScan.start();
}

void QueryEngine::stopTimers()
{
    tm_PlayerScan.stop();
    tm_ServerInfo.stop();
    tm_PlayerInfo.stop();
}

void QueryEngine::UpdateAllServers()
{
    const QList<quint64> walk = m_table.itemIds();
    for (quint64 id : walk) {
        if (m_state.ShuttingDown)
            return;
        const int position = m_table.positionOfItemId(id);
        if (position < 0)
            continue;
        if (!QueryServer(m_table.slotAt(position)))
            return;
        WaitPumping(SleepTime);
    }
    if (m_state.ShuttingDown)
        return;
    if (m_host) {
        const int slot = m_host->selectedSlot();
        if (slot >= 0) {
            m_host->FillServerInfoView(slot);
            m_host->FillPlayersView(slot);
            m_host->ShowTeamStrips(slot);
        }
    }
    resortIfSorted();
}

void QueryEngine::UpdateServerInfo()
{
    const int slot = querySelected();
    if (slot < 0)
        return;
    WaitPumping(SleepTime);
    if (m_state.ShuttingDown || m_table.isFree(slot))
        return;
    m_host->FillServerInfoView(slot);
    m_host->FillPlayersView(slot);
    m_host->ShowTeamStrips(slot);
    m_host->RepaintScoreViews();
    m_host->UpdateTitleBar();
    m_host->CheckBuddies();
    resortIfSorted();
}
