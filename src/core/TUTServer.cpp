#include "TUTServer.h"

#include "StrToIntOrZero.h"

#include <algorithm>

TUTServer::TUTServer(const QString &address, int queryPort)
    : Host(address)
    , NumPlayers(QByteArrayLiteral("0"))
    , PrevNumPlayers(QByteArrayLiteral("0"))
    , PlayerSlotCount(QByteArrayLiteral("0"))
{
    setQueryPort(queryPort);
}

int TUTServer::validPlayerSlots() const
{
    return std::clamp(strToIntOrZero(PlayerSlotCount), 0, kPlayerSlots);
}

std::span<const TUTServer::TextField> TUTServer::textFields()
{
    static const TextField fields[] = {
        {"HostName", &TUTServer::HostName},
        {"HostPort", &TUTServer::HostPort},
        {"MapTitle", &TUTServer::MapTitle},
        {"MapName", &TUTServer::MapName},
        {"GameType", &TUTServer::GameType},
        {"NumPlayers", &TUTServer::NumPlayers},
        {"PrevNumPlayers", &TUTServer::PrevNumPlayers},
        {"MaxPlayers", &TUTServer::MaxPlayers},
        {"GameMode", &TUTServer::GameMode},
        {"GameVer", &TUTServer::GameVer},
        {"MinNetVer", &TUTServer::MinNetVer},
        {"WorldLog", &TUTServer::WorldLog},
        {"Mutators", &TUTServer::Mutators},
        {"ListenServer", &TUTServer::ListenServer},
        {"TimeLimit", &TUTServer::TimeLimit},
        {"GoalTeamScore", &TUTServer::GoalTeamScore},
        {"MinPlayers", &TUTServer::MinPlayers},
        {"ChangeLevels", &TUTServer::ChangeLevels},
        {"MaxTeams", &TUTServer::MaxTeams},
        {"BalanceTeams", &TUTServer::BalanceTeams},
        {"PlayersBalanceTeams", &TUTServer::PlayersBalanceTeams},
        {"FriendlyFire", &TUTServer::FriendlyFire},
        {"AdminName", &TUTServer::AdminName},
        {"AdminEMail", &TUTServer::AdminEMail},
        {"FragLimit", &TUTServer::FragLimit},
        {"Tournament", &TUTServer::Tournament},
        {"GameStyle", &TUTServer::GameStyle},
        {"BotSkill", &TUTServer::BotSkill},
    };
    return fields;
}
