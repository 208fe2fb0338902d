#pragma once

#include "discovery/Beacon.h"
#include "discovery/dialogs/FoundServer.h"

#include <QObject>
#include <QPointer>

#include <memory>

class AddServersDialog;
class ConfigFile;
class DatagramSocketFactory;
class FileDialogs;
class ListStore;
class MasterServerDialog;
class MessageBoxes;
class QWidget;
struct QueryStack;
struct Settings;

// The commands that find servers and edit one: the master server, "Add
// server", "Find LAN servers", "Import from ini" and "Server properties".
// Each opens its dialog and, on OK, adds or changes the servers in the
// main list, queries them and stores the list.
class DiscoveryCommands final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        QueryStack &stack;
        ListStore &lists;
        ConfigFile &config;
        MessageBoxes &messages;
        FileDialogs &files;
        const Settings &settings;
        // None: real UDP sockets.
        DatagramSocketFactory *sockets = nullptr;
        LanSearchTargets lanTargets;
    };

    DiscoveryCommands(const Context &context, QWidget *window);
    ~DiscoveryCommands() override;

    void openMasterServer();
    void addServer();
    void findLanServers();
    // Edits the server in this slot.
    void editServer(int slot);
    // "Import from ini": adds the favourites of the game's own ini file.
    void importFromIni();

    // Stores servers a paced add has put in the list but not stored yet;
    // for the close, which stops every walk.
    void storePendingAdditions();

    // The dialogs that live for the whole run, once they were opened.
    MasterServerDialog *masterServerDialog() const { return m_master.get(); }
    AddServersDialog *addServersDialog() const { return m_addServers.get(); }

Q_SIGNALS:
    // A server's address, port or name changed and it was queried again.
    void serverEdited(int slot);

private:
    // Adds the servers one after another, querying each and pausing between
    // them; stops at a full table. storeEach writes each new server as it
    // comes, otherwise the whole list is rewritten at the end.
    void addFound(const QList<FoundServer> &servers, bool storeEach);
    // Whether the main list holds a server at this address and query port.
    bool isListed(const QString &address, int port) const;
    void queryImportedServers(const QList<quint64> &items, int found);

    Context m_context;
    QWidget *m_window;
    std::unique_ptr<DatagramSocketFactory> m_ownSockets;
    std::unique_ptr<MasterServerDialog> m_master;
    std::unique_ptr<AddServersDialog> m_addServers;
    bool m_additionsUnsaved = false;
    QString m_importDirectory;
};
