#pragma once

#include <QList>
#include <QString>

class DebugLog;
class IniFile;
class ServerTable;

// The server list and its check marks in Quorvelin.ini: section "servers"
// holds ip[n], port[n] and desc[n] for every list position n.
namespace StoredServers {

struct Entry
{
    QString address;
    int port = 0;
    QString name;
    // The n of ip[n], port[n] and desc[n].
    int position = -1;
};

// The stored groups in order, from every position. A group without an
// address, without a port from 1 to 65535 or without a name is skipped.
QList<Entry> loadServerList(const IniFile &ini);

// Writes the three keys of the server at a list position; false with a
// message when its name cannot be stored.
bool saveServer(IniFile &ini, const ServerTable &table, int position, QString *error = nullptr);
// Erases the section and writes every position from 0 up.
bool rewriteServers(IniFile &ini, const ServerTable &table, QString *error = nullptr);
// Re-sorts the list by the current sort order, then rewrites the section.
bool rebuildServerConfig(IniFile &ini, ServerTable &table, DebugLog &log, QString *error = nullptr);

// The positions to check from ServerListChecks.
QList<int> restoreServerChecks(const IniFile &ini);
// ServerListChecks as the close writes it: "0,2," for positions 0 and 2.
QString serverListChecks(const QList<int> &positions);

} // namespace StoredServers
