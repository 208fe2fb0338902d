#pragma once

#include <QList>
#include <QString>

#include <array>
#include <optional>

// A server's place in the history: the list's address (a name or a dotted
// address) and query port, "host:port" as the list stores them.
struct HistoryServer
{
    QString host;
    int port = 0;

    QString key() const { return host + QLatin1Char(':') + QString::number(port); }
    friend bool operator==(const HistoryServer &, const HistoryServer &) = default;
};

// One stored sample: a server's player count and map at a moment.
struct HistorySample
{
    qint64 time = 0; // seconds since the epoch, UTC
    int players = 0;
    int maxPlayers = 0;
    QString map;
};

// Where and when a player was seen: the first and last moment of the latest visit.
struct PlayerSighting
{
    QString name;
    HistoryServer server;
    QString serverName;
    qint64 firstSeen = 0;
    qint64 lastSeen = 0;
};

// Average players per hour of the week in local time, Monday 00:00 first;
// a negative value where no sample fell into that hour.
using WeekHours = std::array<double, 7 * 24>;

// What the views and the command line read from the history. Every call
// answers from what is stored; an unavailable history answers empty.
class HistorySource
{
public:
    virtual ~HistorySource() = default;

    // Samples of the server with from <= time <= to, oldest first.
    virtual QList<HistorySample> samples(const HistoryServer &server, qint64 from, qint64 to) const = 0;
    // The busy hours over the samples since `since`.
    virtual WeekHours busyHours(const HistoryServer &server, qint64 since) const = 0;
    // The player's latest visit to any server; the name is compared as stored, exactly.
    virtual std::optional<PlayerSighting> lastSighting(const QString &name) const = 0;
};
