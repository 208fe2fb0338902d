#pragma once

#include <QString>
#include <QStringList>

#include <array>

// What a simulated game server reports about itself. The defaults are a plain
// 451 deathmatch server; setGameType() switches the team flag and beacon name too.
struct SimulatedServerConfig final
{
    quint16 queryPort = 0; // 0 binds an ephemeral port
    quint16 gamePort = 0;  // 0 means query port - 1, as the game lays them out
    QString hostname = QStringLiteral("Quorvelin Simulated Server");
    QString mapName = QStringLiteral("DM-Deck16][");
    QString mapTitle = QStringLiteral("Deck16][");
    QString gameType = QStringLiteral("DeathMatchPlus");
    bool teamGame = false;
    int maxPlayers = 16;
    int gameVersion = 451;
    int minNetVersion = 432;
    int location = 0;

    // \rules\ contents; which of them are sent depends on the game type.
    QStringList mutators; // descriptions, sent joined by ", "
    bool listenServer = false;
    bool passworded = false;
    QString adminName;  // sent only when set
    QString adminEmail; // sent only when set
    int timeLimit = 20;
    int fragLimit = 30;
    int goalTeamScore = 0;
    int minPlayers = 0; // botskill is sent only when this is above zero
    bool changeLevels = true;
    int maxTeams = 2;
    bool balanceTeams = true;
    bool playersBalanceTeams = true;
    int friendlyFirePercent = 0;
    bool tournament = false;
    QString gameStyle = QStringLiteral("Hardcore"); // Classic, Hardcore or Turbo
    int botSkill = 1;                               // index into Novice .. Godlike
    bool worldLog = false;
    bool wantWorldLog = false;

    bool teamInfo = true; // answer \teams\ in team games (the UTPG bTeamInfo switch)
    std::array<double, 4> teamScores{};

    QString computerName = QStringLiteral("quorvelin-sim"); // first word of the beacon's REPORT text
    QString beaconName = QStringLiteral("DM");

    bool legacyPackets = false;       // one packet per section with \final\ before \queryid\ (pre-451 style)
    bool silent = false;              // take queries (and their ids) but never answer
    QStringList unansweredQueries;    // query types ("players") taken, with their ids, but never answered
    bool utf8Text = false;            // send text as UTF-8 instead of Windows-1252
    bool answerFromOtherPort = false; // reply from a second socket, not the query port

    // Share (0..100) of reply datagrams lost on the way, each on its own, so a
    // reply of several packets can arrive in part. Which ones follows from dropSeed.
    int dropPercent = 0;
    quint64 dropSeed = 0;

    void setGameType(const QString &type);

    static bool isTeamGameType(const QString &type);
    static QString beaconNameFor(const QString &type);
    static QString botSkillName(int skill);
};
