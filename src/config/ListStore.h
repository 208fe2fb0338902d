#pragma once

#include "BuddyList.h"
#include "Configuration.h"

#include <QList>

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
    // The list positions whose check marks are stored.
    QList<int> storedChecks() const;
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
};
