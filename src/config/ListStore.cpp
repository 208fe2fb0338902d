#include "ListStore.h"

#include "ConfigFile.h"
#include "IniFile.h"
#include "StoredServers.h"
#include "core/ServerTable.h"
#include "platform/MessageBoxes.h"

#include <algorithm>

ListStore::ListStore(ConfigFile &config, ServerTable &table, DebugLog &log, MessageBoxes &messages,
                     const QStringList &buddies)
    : m_config(config)
    , m_table(table)
    , m_log(log)
    , m_messages(messages)
    , m_buddies(buddies)
{
}

void ListStore::storeServerList(bool sortFirst)
{
    const bool written = m_config.write([&](IniFile &ini, QString *error) {
        return sortFirst ? StoredServers::rebuildServerConfig(ini, m_table, m_log, error)
                         : StoredServers::rewriteServers(ini, m_table, error);
    });
    if (!written)
        return;
    m_storedPositions.clear();
    for (int position = 0; position < m_table.count(); ++position)
        m_storedPositions.insert(m_table.itemIdAt(position), position);
}

void ListStore::saveServer(int position)
{
    const bool written = m_config.write(
        [&](IniFile &ini, QString *error) { return StoredServers::saveServer(ini, m_table, position, error); });
    if (written)
        m_storedPositions.insert(m_table.itemIdAt(position), position);
}

void ListStore::noteLoadedList()
{
    m_loadedItems = m_table.itemIds();
    m_storedPositions.clear();
    for (qsizetype n = 0; n < m_loadedItems.size(); ++n)
        m_storedPositions.insert(m_loadedItems[n], static_cast<int>(n));
}

void ListStore::finishStartUp(bool restoreChecks)
{
    if (restoreChecks) {
        for (int stored : StoredServers::restoreServerChecks(m_config.read())) {
            if (stored >= 0 && stored < m_loadedItems.size())
                m_table.setChecked(m_table.positionOfItemId(m_loadedItems[stored]), true);
        }
    }
    m_startUpFinished = true;
}

std::optional<QString> ListStore::serverListChecks(bool rememberServerCheck) const
{
    if (!rememberServerCheck)
        return QString();
    if (!m_startUpFinished)
        return std::nullopt;
    QList<int> stored;
    for (int position = 0; position < m_table.count(); ++position) {
        const auto found = m_storedPositions.constFind(m_table.itemIdAt(position));
        if (m_table.isChecked(position) && found != m_storedPositions.constEnd())
            stored.append(*found);
    }
    std::sort(stored.begin(), stored.end());
    return StoredServers::serverListChecks(stored);
}

void ListStore::saveCloseState(const Configuration::CloseState &state)
{
    m_config.write([&](IniFile &ini, QString *) {
        Configuration::saveStateOnClose(ini, state);
        return true;
    });
}

bool ListStore::addBuddy(const QString &name)
{
    BuddyList changed = m_buddies;
    if (!changed.addBuddy(name))
        return false;
    return storeBuddies(changed);
}

bool ListStore::removeBuddy(int index)
{
    BuddyList changed = m_buddies;
    if (!changed.removeAt(index))
        return false;
    return storeBuddies(changed);
}

bool ListStore::storeBuddies(const BuddyList &changed)
{
    const QString value = changed.storedValue();
    // A list the file cannot hold as it is (too long, a line break in a name)
    // is refused here, before the running list changes.
    IniFile probe;
    QString error;
    if (!probe.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), value, &error)) {
        m_messages.showWarning(error);
        return false;
    }
    m_buddies = changed;
    m_config.write([&](IniFile &ini, QString *writeError) {
        return ini.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), value, writeError);
    });
    return true;
}
