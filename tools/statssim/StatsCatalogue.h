#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What the statistics service knows of one entry in one game mode. A rank of
// 0 means the entry is not on that list.
struct StatsRanks final
{
    int weeklyRank = 0;
    double weeklyFigure = 0; // days for a server, points for a player
    int quarterlyRank = 0;
    double quarterlyFigure = 0;
};

// A ranked server or player.
struct StatsEntry final
{
    quint64 id = 0;
    QString name;
    QString address;                 // servers only: "a.b.c.d:gameport"
    QMap<QString, StatsRanks> ranks; // by game mode code, see StatsCatalogue::gameModes()
};

enum class StatsKind {
    Server, // view=s
    Player, // view=p
};

// The servers and players a simulated statistics service ranks.
struct StatsCatalogue final
{
    QList<StatsEntry> servers;
    QList<StatsEntry> players;

    const QList<StatsEntry> &entries(StatsKind kind) const { return kind == StatsKind::Server ? servers : players; }
    const StatsEntry *find(StatsKind kind, quint64 id) const; // nullptr when unknown

    // The game mode codes of the requests: dm, ctf, dom, team, lms, ass, mod.
    static const QStringList &gameModes();
    // "Capture the Flag" for "ctf"; empty for an unknown code.
    static QString modeTitle(const QString &mode);

    // Six servers on 127.0.0.1:7777-7782 and eight players, with small and
    // large ids (some above 1,000,000), names with blanks and Latin-1 letters,
    // and "Arena" and "Frag" in several names for searches with many matches.
    static StatsCatalogue defaults();
    // Names with the punctuation Windows-1252 keeps at 0x80 to 0x9F (™ ’ €,
    // single bytes on its pages): three players with "Fragger" in their
    // names and two servers with "Pub" in theirs, all ranked in CTF.
    static StatsCatalogue punctuated();
    // count players named "Crowd Player <n>", n from 1, with ids from 100000,
    // ranked in DM: a name search for "Crowd" lists them all.
    static StatsCatalogue crowd(int count);

    // Adds what a quorvelin-gamesim farm of this size, first query port and
    // start value shows: its servers (at their game ports, ranked in their game
    // types) and every name its players may have, churn's newcomers included,
    // each ranked in one mode. Ids from 3,000,000 up.
    void addFarm(int count, quint16 basePort, quint32 randomStart);
};
