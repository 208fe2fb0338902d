#pragma once

#include "PlatformServices.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class DatagramSocket;
class DebugLog;
class EngineHost;
class ServerTable;
struct RunState;

// Sends the queries of the main window, routes the replies to their
// servers, measures pings and runs the three polling timers. Every walk
// over servers waits SleepTime milliseconds after each server with events
// flowing, so replies are decoded while the walk goes on.
class QueryEngine final : public QObject
{
    Q_OBJECT
public:
    QueryEngine(RunState &state, ServerTable &table, DebugLog &log, DatagramSocket &socket,
                const PlatformServices &services, QObject *parent = nullptr);

    void setHost(EngineHost *host) { m_host = host; }

    // Binds udp_Main; false with the socket's error text on failure.
    bool bindMain(quint16 localPort, QString *error = nullptr);

    quint32 SleepTime = 20;

    // Both return false when the send failed and the calling handler must stop.
    bool SendQuery(int slot, const QByteArray &query);
    bool QueryServer(int slot);
    void WaitPumping(quint32 milliseconds);

    void udp_MainUDPRead(const QByteArray &datagram, const QString &address, quint16 port);
    void ParseServerReply(int slot, const QByteArray &text);

    void tm_PlayerScanTimer();
    void tm_ServerInfoTimer();
    void tm_PlayerInfoTimer();

    // Slider and check box handlers; the label texts come from PollingDelays.
    void setServerListDelay(int position);
    void setServerInfoDelay(int position);
    void setPlayerInfoDelay(int position);
    void setServerInfoUpdate(bool enabled);
    void setPlayerInfoUpdate(bool enabled);

    // Starts the player scan; the other two follow their check boxes.
    void startPolling();
    void stopTimers();

    void UpdateAllServers();
    void UpdateServerInfo();

    const QTimer &playerScanTimer() const { return tm_PlayerScan; }
    const QTimer &serverInfoTimer() const { return tm_ServerInfo; }
    const QTimer &playerInfoTimer() const { return tm_PlayerInfo; }

Q_SIGNALS:
    // A datagram was routed to a slot and decoded.
    void replyDecoded(int slot, const QByteArray &datagram);

private:
    bool stillListed(quint64 itemId) const;
    // Sends the full query to the selected server; its slot, or -1 when the
    // handler has nothing to do or must stop.
    int querySelected();
    void resortIfSorted();
    void showSendError(const QString &message);

    RunState &m_state;
    ServerTable &m_table;
    DebugLog &m_log;
    DatagramSocket &m_socket;
    PlatformServices m_services;
    EngineHost *m_host = nullptr;
    bool m_errorShowing = false;

    QTimer tm_PlayerScan;
    QTimer tm_ServerInfo;
    QTimer tm_PlayerInfo;
};
