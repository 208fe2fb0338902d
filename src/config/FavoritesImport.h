#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class DebugLog;
class IniFile;
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

// The favourites that the table does not hold yet (same address after
// resolution and same port), each once, in file order.
QList<Favorite> serversToAdd(const QStringList &favorites, const ServerTable &table, DebugLog &log);

} // namespace FavoritesImport
