#pragma once

#include <QObject>
#include <QTimer>

#include <array>

class PacedWalk;
class QueryEngine;
class ServerTable;

// The three polling timers and the walks they and the refresh commands
// run: the player scan of the checked servers ("\info\", "\players\" and
// "\teams\" to each), "Update all servers" and
// the refreshes of the selected server. A walk is never started while the
// same walk still runs. The window listens and refills its views.
class Poller final : public QObject
{
    Q_OBJECT
public:
    // The refreshes of the selected server, each a walk of its own.
    enum class Refresh { ServerInfo, PlayerInfo, UpdateServerInfo, Count };

    Poller(QueryEngine &engine, ServerTable &table, QObject *parent = nullptr);

    // Slider positions and switches of the three timers.
    void setServerListDelay(int position);
    void setServerInfoDelay(int position);
    void setPlayerInfoDelay(int position);
    void setServerInfoUpdate(bool enabled);
    void setPlayerInfoUpdate(bool enabled);

    // Starts the player scan's timer; the other two follow their switches.
    void startPolling();
    // Stops every timer and cancels every walk: nothing runs after this.
    void stop();

    // Each returns false, starting nothing, while the same walk still runs.
    bool scanCheckedServers();
    bool updateAllServers();
    // Queries the server, tells selectedQueried, waits SleepTime, tells selectedSettled.
    bool refreshSelected(Refresh kind, int slot);

    const QTimer &playerScanTimer() const { return m_playerScanTimer; }
    const QTimer &serverInfoTimer() const { return m_serverInfoTimer; }
    const QTimer &playerInfoTimer() const { return m_playerInfoTimer; }

Q_SIGNALS:
    // The server-info and player-info timers ticked: time to refresh the selected server.
    void serverInfoDue();
    void playerInfoDue();
    // The scan asked every checked server; netChange is the players the
    // servers had at the previous scan less those they have now.
    void playerScanFinished(int netChange);
    void allServersUpdated();
    void selectedQueried(Refresh kind, int slot);
    void selectedSettled(Refresh kind, int slot);

private:
    PacedWalk *refreshWalk(Refresh kind) const { return m_refreshWalks[static_cast<size_t>(kind)]; }

    QueryEngine &m_engine;
    ServerTable &m_table;
    QTimer m_playerScanTimer;
    QTimer m_serverInfoTimer;
    QTimer m_playerInfoTimer;
    PacedWalk *m_scan;
    PacedWalk *m_updateAll;
    std::array<PacedWalk *, static_cast<size_t>(Refresh::Count)> m_refreshWalks{};
    std::array<quint64, static_cast<size_t>(Refresh::Count)> m_refreshItems{};
    int m_netChange = 0;
};
