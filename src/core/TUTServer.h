#pragma once

#include "TPlayerRecord.h"
#include "TTeamRecord.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <span>

// Everything known about one monitored server. Reply values are kept as
// the bytes that were received; numbers are derived where they are used.
class TUTServer
{
public:
    static constexpr int kPlayerSlots = 50;
    static constexpr int kTeamSlots = 4;

    TUTServer(const QString &address, int queryPort);

    QString Host;
    QByteArray HostName;
    QByteArray HostPort;
    QByteArray MapTitle;
    QByteArray MapName;
    QByteArray GameType;
    QByteArray NumPlayers;
    QByteArray PrevNumPlayers;
    QByteArray MaxPlayers;
    QByteArray GameMode;
    QByteArray GameVer;
    QByteArray MinNetVer;
    QByteArray WorldLog;
    QByteArray Mutators;
    QByteArray ListenServer;
    QByteArray TimeLimit;
    QByteArray GoalTeamScore;
    QByteArray MinPlayers;
    QByteArray ChangeLevels;
    QByteArray MaxTeams;
    QByteArray BalanceTeams;
    QByteArray PlayersBalanceTeams;
    QByteArray FriendlyFire;
    QByteArray AdminName;
    QByteArray AdminEMail;
    QByteArray FragLimit;
    QByteArray Tournament;
    QByteArray GameStyle;
    QByteArray BotSkill;
    std::array<TPlayerRecord, kPlayerSlots> Players;
    QByteArray PlayerSlotCount;
    std::array<TTeamRecord, kTeamSlots> Teams;
    quint32 PingSentTick = 0;
    quint32 Ping = 0;

    // The query port is held as the port minus one.
    int queryPort() const { return m_queryPortLessOne + 1; }
    void setQueryPort(int port) { m_queryPortLessOne = port - 1; }

    // PlayerSlotCount as a number of usable slots: a server may announce
    // any count, the record holds at most kPlayerSlots.
    int validPlayerSlots() const;

    struct TextField
    {
        const char *name;
        QByteArray TUTServer::*member;
    };
    // The 28 reply text fields, HostName to BotSkill, in record order.
    static std::span<const TextField> textFields();

private:
    int m_queryPortLessOne = -1;
};
