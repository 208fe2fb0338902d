#include "StoredServers.h"

#include "CommaText.h"
#include "IniFile.h"
#include "core/DebugLog.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"

namespace StoredServers {

namespace {

const QString kServers = QStringLiteral("servers");

QString indexed(const char *key, int n)
{
    return QLatin1String(key) + QLatin1Char('[') + QString::number(n) + QLatin1Char(']');
}

} // namespace

QList<Entry> loadServerList(const IniFile &ini)
{
    // Every position is read: a blank group hides nothing behind it, so a
    // rewrite of the section keeps every server the file holds.
    QList<Entry> entries;
    for (int n = 0; n < ServerTable::kSlotCount; ++n) {
        Entry e;
        e.position = n;
        e.address = ini.readString(kServers, indexed("ip", n));
        if (e.address.isEmpty())
            continue;
        e.port = ini.readInteger(kServers, indexed("port", n), 0);
        e.name = ini.readString(kServers, indexed("desc", n));
        if (e.port >= 1 && e.port <= 65535 && !e.name.isEmpty())
            entries.append(e);
    }
    return entries;
}

bool saveServer(IniFile &ini, const ServerTable &table, int position, QString *error)
{
    if (position < 0 || position >= table.count())
        return true;
    const TServerListInfo &info = *table.entry(table.slotAt(position));
    return ini.writeString(kServers, indexed("ip", position), info.Host, error)
           && ini.writeString(kServers, indexed("port", position), info.Port, error)
           && ini.writeString(kServers, indexed("desc", position), info.Name, error);
}

bool rewriteServers(IniFile &ini, const ServerTable &table, QString *error)
{
    ini.eraseSection(kServers);
    for (int position = 0; position < table.count(); ++position) {
        if (!saveServer(ini, table, position, error))
            return false;
    }
    return true;
}

bool rebuildServerConfig(IniFile &ini, ServerTable &table, DebugLog &log, QString *error)
{
    table.setSortMode(table.serverListSort());
    log.log(QStringLiteral("rebuilding server config"));
    return rewriteServers(ini, table, error);
}

QList<int> restoreServerChecks(const IniFile &ini)
{
    QList<int> positions;
    const QStringList items = CommaText::split(
        ini.readString(QStringLiteral("general"), QStringLiteral("serverlistchecks"), QStringLiteral(",")));
    for (const QString &item : items) {
        if (!item.isEmpty())
            positions.append(strToIntOrZero(item));
    }
    return positions;
}

QString serverListChecks(const QList<int> &positions)
{
    QString value;
    for (int position : positions)
        value += QString::number(position) + QLatin1Char(',');
    return value;
}

} // namespace StoredServers
