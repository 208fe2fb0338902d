#include "TitleBar.h"

#include "TServerListInfo.h"
#include "TUTServer.h"
#include "TextDecoding.h"

namespace TitleBar {

QString format(const QString &titleFormat, const TServerListInfo &entry, const TUTServer &server)
{
    const auto latin = [](const QByteArray &bytes) { return QString::fromLatin1(bytes); };
    const std::pair<QLatin1String, QString> placeholders[] = {
        {QLatin1String("%servername"), entry.Name},
        {QLatin1String("%playerload"), latin(entry.CurPlayers) + QLatin1Char('|') + latin(entry.MaxPlayers)},
        {QLatin1String("%ping"), QStringLiteral("ping: ") + QString::number(server.Ping) + QStringLiteral("ms")},
        {QLatin1String("%maptitle"), decodeUtf8OrWindows1252(server.MapTitle)},
        {QLatin1String("%serveraddress"), server.Host + QLatin1Char(':') + QString::number(server.queryPort())},
        {QLatin1String("%currentplayers"), latin(entry.CurPlayers)},
        {QLatin1String("%maxplayers"), latin(entry.MaxPlayers)},
    };
    QString t = titleFormat;
    for (const auto &[placeholder, value] : placeholders)
        t.replace(placeholder, value, Qt::CaseInsensitive);
    return t;
}

QString caption(const QString &formatted)
{
    return QStringLiteral("Quorvelin - ") + formatted;
}

QString trayHint(const QString &formatted)
{
    QString hint = formatted;
    return hint.replace(QLatin1Char('|'), QLatin1Char('I'));
}

} // namespace TitleBar
