#include "FavoritesImport.h"

#include "IniFile.h"
#include "core/DebugLog.h"
#include "core/QueryEngine.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"

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
    f.port = StrToIntOrZero(f.portText);
    return f;
}

int addFavorites(const QStringList &favorites, ServerTable &table, QueryEngine &engine, DebugLog &log)
{
    int added = 0;
    for (const QString &text : favorites) {
        if (text.isEmpty())
            continue;
        const Favorite f = parseFavorite(text);
        log.log(QStringLiteral("adding server ") + f.address + QLatin1Char(':') + f.portText);

        if (table.slotOfServer(f.address, f.port) >= 0)
            continue;

        const int slot = table.AddServer(f.address, f.port, f.name);
        if (slot >= ServerTable::kSlotCount)
            break;
        ++added;
        if (!engine.QueryServer(slot))
            break;
        engine.WaitPumping(engine.SleepTime);
    }
    return added;
}

} // namespace FavoritesImport
