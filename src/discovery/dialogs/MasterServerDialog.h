#pragma once

#include "discovery/MasterList.h"
#include "widgets/BusyDialog.h"

#include <QList>

#include <functional>
#include <memory>

class ConfigFile;
class DatagramSocket;
class DatagramSocketFactory;
class MasterExchange;
class MasterPinger;
class MasterRows;
class MessageBoxes;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeView;
class TickClock;

// "Retreive servers from master server": fetches a list from a master
// server or a web list, asks every listed server for its "\info\" reply,
// and lets the user tick servers to add. Kept for the whole run, so its
// entries, filters and rows are there when it is opened again.
class MasterServerDialog final : public BusyDialog
{
    Q_OBJECT
public:
    struct Context
    {
        ConfigFile &config;
        DatagramSocketFactory &sockets;
        const TickClock &clock;
        MessageBoxes &messages;
        int localPort;
        quint32 sleepTime;
        // How many servers the main list holds now.
        std::function<int()> serverCount;
        // Whether the main list holds a server at this address and query port.
        std::function<bool(const QString &address, int port)> isListed = {};
    };

    explicit MasterServerDialog(const Context &context, QWidget *parent = nullptr);
    ~MasterServerDialog() override;

    MasterRows &rows() const { return *m_rows; }
    MasterExchange &exchange() const { return *m_exchange; }
    // The entries of the master server box, as the settings edit them.
    void setMasterServers(const QStringList &entries);
    QString statusText(int panel) const;
    bool isBusy() const override { return m_busy; }

    void connectToMaster();
    void refreshGameTypes();
    void addServers();
    void repingSelected();
    void repingTimeouts();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void buildServerList();
    void buildStatusBar(QWidget *bar);
    void setBusy(bool busy);
    void stopWork() override;
    void endWork() override;
    void setStatus(int panel, const QString &text);
    void listReceived(const QList<MasterList::ListedServer> &servers);
    void showGameTypes(const QStringList &gameTypes);
    void transferFailed(const QString &message);
    void pingAll();
    void pingsFinished();
    void showListedCount();

    Context m_context;
    MasterRows *m_rows;
    MasterExchange *m_exchange;
    MasterPinger *m_pinger;
    std::unique_ptr<DatagramSocket> m_socket;
    QComboBox *m_masterServer = nullptr;
    QComboBox *m_gameType = nullptr;
    QComboBox *m_location = nullptr;
    QPushButton *m_connect = nullptr;
    QPushButton *m_update = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_addServers = nullptr;
    QTreeView *m_servers = nullptr;
    QList<QLabel *> m_panels;
    bool m_busy = false;
};
