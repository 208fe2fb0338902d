#pragma once

#include "FoundServer.h"
#include "discovery/Beacon.h"
#include "widgets/BusyDialog.h"

#include <QList>
#include <QTimer>

#include <functional>
#include <memory>

class DatagramSocket;
class DatagramSocketFactory;
class HostResolver;
class MessageBoxes;
class PacedWalk;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// "Add servers": finds the servers one host runs, by asking its beacon
// ports for their query ports or, in the advanced form, by querying one
// query port directly. Kept for the whole run; the rows are emptied each
// time it opens, the host and the advanced form stay.
class AddServersDialog final : public BusyDialog
{
    Q_OBJECT
public:
    struct Context
    {
        DatagramSocketFactory &sockets;
        HostResolver &resolver;
        MessageBoxes &messages;
        int localPort;
        quint32 sleepTime;
        int serverTimeOut;
        LanSearchTargets targets;
        // Whether the main list holds a server at this address and query port.
        std::function<bool(const QString &address, int port)> isListed = {};
    };

    static constexpr int kMaxRows = 1024;

    explicit AddServersDialog(const Context &context, QWidget *parent = nullptr);
    ~AddServersDialog() override;

    void findServers();
    bool isSearching() const { return m_countdown.isActive(); }
    bool isBusy() const override { return isSearching(); }
    // The ticked rows, in list order.
    QList<FoundServer> tickedServers() const;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void setSearching(bool searching);
    void endSearch();
    void stopWork() override;
    void endWork() override;
    void searchHost(const QString &address);
    void hostResolved(const QString &name, const QString &ipv4);
    void countdownTick();
    void beaconAnswered(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);
    void infoReplied(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);
    void addRow(const QString &address, quint16 port);
    void clearRows();

    Context m_context;
    std::unique_ptr<DatagramSocket> m_findLan;
    std::unique_ptr<DatagramSocket> m_getInfo;
    PacedWalk *m_beaconWalk;
    QTimer m_countdown;
    int m_elapsed = 0;
    QString m_searchHost;
    QString m_pendingName;
    QLineEdit *m_host = nullptr;
    QWidget *m_advanced = nullptr;
    QSpinBox *m_port = nullptr;
    QPushButton *m_find = nullptr;
    QPushButton *m_addServers = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_advancedButton = nullptr;
    QTreeWidget *m_servers = nullptr;
    QLabel *m_listedLine = nullptr;
};
