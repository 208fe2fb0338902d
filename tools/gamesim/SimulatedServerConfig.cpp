#include "SimulatedServerConfig.h"

#include <algorithm>
#include <array>

void SimulatedServerConfig::setGameType(const QString &type)
{
    gameType = type;
    teamGame = isTeamGameType(type);
    beaconName = beaconNameFor(type);
}

bool SimulatedServerConfig::isTeamGameType(const QString &type)
{
    // TeamGamePlus and its subclasses; LastManStanding derives from DeathMatchPlus.
    return type == QLatin1String("TeamGamePlus") || type == QLatin1String("CTFGame")
           || type == QLatin1String("Domination") || type == QLatin1String("Assault");
}

QString SimulatedServerConfig::beaconNameFor(const QString &type)
{
    if (type == QLatin1String("TeamGamePlus"))
        return QStringLiteral("TDM");
    if (type == QLatin1String("CTFGame"))
        return QStringLiteral("CTF");
    if (type == QLatin1String("Domination"))
        return QStringLiteral("DOM");
    if (type == QLatin1String("Assault"))
        return QStringLiteral("AS");
    if (type == QLatin1String("LastManStanding"))
        return QStringLiteral("LMS");
    return QStringLiteral("DM");
}

QString SimulatedServerConfig::botSkillName(int skill)
{
    static const std::array<const char *, 8> kNames = {"Novice", "Average",   "Experienced", "Skilled",
                                                       "Adept",  "Masterful", "Inhuman",     "Godlike"};
    const auto index = static_cast<std::size_t>(std::clamp(skill, 0, int(kNames.size()) - 1));
    return QLatin1String(kNames[index]);
}
