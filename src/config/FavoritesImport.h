#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class DebugLog;
class IniFile;
class QueryEngine;
class ServerTable;

// The favourites of the game's own UnrealTournament.ini: section
// "UBrowser.UBrowserFavoritesFact", "FavoriteCount" and "Favorites[i]",
// each "name\address\port\..." .
namespace FavoritesImport {

struct Favorite
{
    QString name;
    QString address;
    QString portText;
    int port = 0;
};

// The favourite texts, empty ones included; nothing when the file has no
// favourites section.
std::optional<QStringList> readFavorites(const IniFile &gameIni);

// A field counts only when a backslash follows it.
Favorite parseFavorite(const QString &text);

// Adds the favourites that the table does not hold yet (same address after
// resolution and same port), querying each new server, until the table is
// full. Returns how many were added.
int addFavorites(const QStringList &favorites, ServerTable &table, QueryEngine &engine, DebugLog &log);

} // namespace FavoritesImport
