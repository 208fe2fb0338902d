#pragma once

#include "FoundServer.h"
#include "discovery/Beacon.h"

#include <QDialog>
#include <QSet>

#include <functional>
#include <memory>

class DatagramSocket;
class DatagramSocketFactory;
class QLabel;
class QPushButton;
class QTreeWidget;

// "Find LAN Servers": asks the local network's beacons which servers run
// there, lists each answer once and asks each found server for its name.
class LanServersDialog final : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        DatagramSocketFactory &sockets;
        int localPort;
        LanSearchTargets targets;
        // Whether the main list holds a server at this address and query port.
        std::function<bool(const QString &address, int port)> isListed = {};
    };

    static constexpr int kMaxRows = 1024;

    explicit LanServersDialog(const Context &context, QWidget *parent = nullptr);
    ~LanServersDialog() override;

    void findServers();
    QList<FoundServer> tickedServers() const;

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    void beaconAnswered(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);
    void infoReplied(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);

    Context m_context;
    std::unique_ptr<DatagramSocket> m_findLan;
    std::unique_ptr<DatagramSocket> m_getInfo;
    QSet<QString> m_listed;
    QTreeWidget *m_servers = nullptr;
    QLabel *m_listedLine = nullptr;
};
