#include "ServerInfoRows.h"

#include "core/TUTServer.h"
#include "core/TextDecoding.h"

namespace ServerInfoRows {

QString pingText(const TUTServer &server)
{
    return QString::number(server.Ping) + QStringLiteral("ms");
}

QString reportedName(const TUTServer &server)
{
    QString name = decodeUtf8OrWindows1252(server.HostName);
    for (QChar &c : name) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return name.trimmed();
}

QList<Row> rows(const TUTServer &s)
{
    const auto t = [](const QByteArray &bytes) { return decodeUtf8OrWindows1252(bytes); };
    return {
        {QStringLiteral("Server name"), t(s.HostName)},
        {QStringLiteral("Server address"), s.Host + QLatin1Char(':') + t(s.HostPort)},
        {QStringLiteral("ping"), pingText(s)},
        {QStringLiteral("Map title"), t(s.MapTitle)},
        {QStringLiteral("Map name"), t(s.MapName)},
        {QStringLiteral("Game type"), t(s.GameType)},
        {QStringLiteral("Players"), t(s.NumPlayers)},
        {QStringLiteral("Maximum players"), t(s.MaxPlayers)},
        {QStringLiteral("Game mode"), t(s.GameMode)},
        {QStringLiteral("Server version"), t(s.GameVer)},
        {QStringLiteral("Minimal client version"), t(s.MinNetVer)},
        {QStringLiteral("ngWorldStat loggin"), t(s.WorldLog)},
        {QStringLiteral("Mutators"), t(s.Mutators)},
        {QStringLiteral("Listen server"), t(s.ListenServer)},
        {QStringLiteral("Time limit"), t(s.TimeLimit)},
        {QStringLiteral("Goal team score"), t(s.GoalTeamScore)},
        {QStringLiteral("Minimal players"), t(s.MinPlayers)},
        {QStringLiteral("Change levels"), t(s.ChangeLevels)},
        {QStringLiteral("Maximum teams"), t(s.MaxTeams)},
        {QStringLiteral("Balance teams"), t(s.BalanceTeams)},
        {QStringLiteral("Players balance teams"), t(s.PlayersBalanceTeams)},
        {QStringLiteral("Friendly fire"), t(s.FriendlyFire)},
        {QStringLiteral("Admin name"), t(s.AdminName)},
        {QStringLiteral("Admin email"), t(s.AdminEMail)},
        {QStringLiteral("Frag Limit"), t(s.FragLimit)},
        {QStringLiteral("Tournament"), t(s.Tournament)},
        {QStringLiteral("Game style"), t(s.GameStyle)},
        {QStringLiteral("Bot skill"), t(s.BotSkill)},
    };
}

} // namespace ServerInfoRows
