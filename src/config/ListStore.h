#pragma once

#include "BuddyList.h"
#include "Configuration.h"

#include <QHash>
#include <QList>

#include <optional>

class ConfigFile;
class DebugLog;
class MessageBoxes;
class ServerTable;

// What the window keeps in Quorvelin.ini as it changes: the server list,
// the buddies and, at close, the running state. Each change is written at once.
class ListStore final
{
public:
    ListStore(ConfigFile &config, ServerTable &table, DebugLog &log, MessageBoxes &messages,
              const QStringList &buddies);

    // Rewrites the stored server list from the table; sortFirst re-sorts the
    // list by the saved sort order before.
    void storeServerList(bool sortFirst);
    // Writes the one server at this list position, as its stored position.
    void saveServer(int position);

    // The check marks name positions of the stored server list as it is
    // read at start, whatever order the list is shown in meanwhile. Call
    // noteLoadedList right after the stored servers were added to the empty list.
    void noteLoadedList();
    // The start-up has asked every server: checks the servers that
    // ServerListChecks names when marks are remembered. From then on the
    // marks in the list are the ones the close stores, also when they are
    // remembered only from a later change of the setting.
    void finishStartUp(bool restoreChecks);
    // ServerListChecks for the close: the stored positions of the checked
    // servers; empty when marks are not remembered; nothing (keep the stored
    // value) while the start-up has not finished.
    std::optional<QString> serverListChecks(bool rememberServerCheck) const;

    void saveCloseState(const Configuration::CloseState &state);

    const BuddyList &buddies() const { return m_buddies; }
    // Change the buddy list and store it; false when nothing changed.
    bool addBuddy(const QString &name);
    bool removeBuddy(int index);

private:
    bool storeBuddies(const BuddyList &changed);

    ConfigFile &m_config;
    ServerTable &m_table;
    DebugLog &m_log;
    MessageBoxes &m_messages;
    BuddyList m_buddies;
    // The list items in the order the stored section had at start.
    QList<quint64> m_loadedItems;
    // Each list item's position in the stored section as the file holds it now.
    QHash<quint64, int> m_storedPositions;
    bool m_startUpFinished = false;
};
