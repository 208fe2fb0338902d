#include "FavoritesImport.h"

#include "IniFile.h"
#include "core/DebugLog.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"

#include <QSet>

#include <algorithm>

namespace FavoritesImport {

namespace {
const QString kSection = QStringLiteral("UBrowser.UBrowserFavoritesFact");
// More favourites than the server table holds cannot be added anyway.
constexpr int kMaxFavorites = 4096;

QString takeField(QString &rest)
{
    const qsizetype slash = rest.indexOf(QLatin1Char('\\'));
    if (slash < 0)
        return {};
    const QString field = rest.left(slash);
    rest.remove(0, slash + 1);
    return field;
}
} // namespace

std::optional<QStringList> readFavorites(const IniFile &gameIni)
{
    if (!gameIni.hasSection(kSection))
        return std::nullopt;
    const int count = std::clamp(gameIni.readInteger(kSection, QStringLiteral("FavoriteCount"), 0), 0, kMaxFavorites);
    QStringList favorites;
    for (int i = 0; i < count; ++i)
        favorites.append(gameIni.readString(kSection, QStringLiteral("Favorites[%1]").arg(i)));
    return favorites;
}

Favorite parseFavorite(const QString &text)
{
    QString rest = text;
    Favorite f;
    f.name = takeField(rest);
    f.address = takeField(rest);
    f.portText = takeField(rest);
    f.port = strToIntOrZero(f.portText);
    return f;
}

QList<Favorite> serversToAdd(const QStringList &favorites, const ServerTable &table, DebugLog &log)
{
    QList<Favorite> toAdd;
    QSet<QString> seen;
    for (const QString &text : favorites) {
        if (text.isEmpty())
            continue;
        const Favorite f = parseFavorite(text);
        log.log(QStringLiteral("adding server ") + f.address + QLatin1Char(':') + f.portText);
        if (table.slotOfServer(f.address, f.port) >= 0)
            continue;
        const QString key = table.knownAddress(f.address) + QLatin1Char(':') + QString::number(f.port);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        toAdd.append(f);
    }
    return toAdd;
}

} // namespace FavoritesImport
