#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

class QUdpSocket;
class SimulatedServer;

// The game's LAN beacon for one server: listens on 8777 (or the next free port up
// to 8786) and answers browsers' REPORTQUERY / REPORT to the sender, on 127.0.0.1 only.
class LanBeacon final : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kFirstPort = 8777;
    static constexpr quint16 kLastPort = 8786;

    explicit LanBeacon(SimulatedServer *server, QObject *parent = nullptr);
    ~LanBeacon() override;

    // Binds the first free port in [firstPort, lastPort]; firstPort 0 takes an ephemeral one.
    bool start(quint16 firstPort = kFirstPort, quint16 lastPort = kLastPort);
    void stop();
    bool isRunning() const { return m_socket != nullptr; }
    quint16 port() const;

    QByteArray queryReply() const; // "ut <queryport>"
    // "ut <gameport> <computer> <title> <beaconname> <n>/<max>", in Windows-1252 as the game
    // writes it (UTF-8 when the server is set to send UTF-8).
    QByteArray reportReply() const;

private:
    void readPendingDatagrams();

    QPointer<SimulatedServer> m_server;
    QUdpSocket *m_socket = nullptr;
};
