#include "ListStore.h"

#include "ConfigFile.h"
#include "IniFile.h"
#include "StoredServers.h"
#include "platform/MessageBoxes.h"

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
    m_config.write([&](IniFile &ini, QString *error) {
        return sortFirst ? StoredServers::rebuildServerConfig(ini, m_table, m_log, error)
                         : StoredServers::rewriteServers(ini, m_table, error);
    });
}

QList<int> ListStore::storedChecks() const
{
    return StoredServers::restoreServerChecks(m_config.read());
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
