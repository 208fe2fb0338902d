#pragma once

#include "HistorySource.h"
#include "config/Settings.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <limits>
#include <memory>
#include <optional>
#include <unordered_map>

class HistoryCheckpointer;
class QSqlError;

// The history kept in an SQLite file of the profile: one transaction per
// walk into a write-ahead log, which a thread of its own copies into the file
// every few walks, so no walk waits for the disk. Any fault (a file that is
// locked, read-only, damaged or on a full disk) makes the store unavailable
// until it is opened again: reads answer empty, writes are dropped and
// errorString() says why. Times are taken as arguments; the store never
// reads the clock.
//
// Samples first go to a small table in time order, one row per minute and
// server (the busiest of the minute), so a walk touches a few pages rather
// than one per server. Each walk visits a few servers: their finished ten
// minutes move to the table in server order, and their older samples are
// thinned to one per ten minutes after a day and one per hour after the
// retention. Thinning keeps the busiest sample of the span (of equals the
// latest) with its own time, count and map.
class HistoryStore final : public HistorySource
{
public:
    enum class Mode { ReadWrite, ReadOnly };

    static constexpr int kSchemaVersion = 1;
    static constexpr int kDefaultDays = 30;
    static constexpr int kMinDays = Settings::kMinHistoryDays;
    static constexpr int kMaxDays = Settings::kMaxHistoryDays;
    // A player seen again within this many seconds is still on the same visit.
    static constexpr qint64 kVisitGap = 600;
    // While a visit goes on, its lastSeen is stored once in each such span
    // (each server at its own second of the minute); the last one when the
    // player is gone from the server's list.
    static constexpr qint64 kPresenceStep = 60;
    // Sightings one walk writes at most; a flood of arrivals (a farm's
    // first walk) spills into the next walks.
    static constexpr int kMostSightingsPerWalk = 500;
    static constexpr qint64 kDay = 24 * 3600;
    // Pages of log after which a walk copies the log into the file itself.
    static constexpr int kLogPagesBeforeWalksCopy = 4000;

    HistoryStore();
    ~HistoryStore() override;
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // The history file of a profile.
    static QString filePath(const QString &profileDirectory);

    // Opens (ReadWrite: creates when missing) the file. False, with
    // errorString(), when the history cannot be used. ReadOnly never
    // creates nor changes anything.
    bool open(const QString &path, Mode mode = Mode::ReadWrite);
    bool isAvailable() const { return m_available; }
    QString errorString() const { return m_error; }

    // Days after which samples are kept one per hour and sightings dropped.
    void setHistoryDays(int days);
    int historyDays() const { return m_days; }

    // One walk's writes: begin, add, commit. The commit writes them in one
    // transaction; a walk never committed (a kill, a store dropped) is lost
    // whole and nothing else.
    void beginWalk();
    void addSample(const HistoryServer &server, const QString &serverName, const HistorySample &sample);
    // The players a "\players\" reply listed at this time (none: the server is empty).
    void addPlayers(const HistoryServer &server, const QString &serverName, const QStringList &names, qint64 time);
    // Writes the walk, moves and thins a bounded amount against now, and
    // commits. False when the walk could not be stored.
    bool commitWalk(qint64 now);

    // HistorySource
    QList<HistorySample> samples(const HistoryServer &server, qint64 from, qint64 to) const override;
    WeekHours busyHours(const HistoryServer &server, qint64 since) const override;
    std::optional<PlayerSighting> lastSighting(const QString &name) const override;

private:
    struct ServerRow
    {
        qint64 id = 0;
        QString name;
    };
    struct WalkSample
    {
        HistoryServer server;
        QString serverName;
        HistorySample sample;
    };
    struct WalkPlayers
    {
        HistoryServer server;
        QString serverName;
        QStringList names;
        qint64 time = 0;
    };
    // A player on a server now: when this visit was first and last seen,
    // and the lastSeen stored.
    struct Presence
    {
        qint64 firstSeen = 0;
        qint64 lastSeen = 0;
        qint64 written = 0;
    };
    static constexpr qint64 kNeverWritten = std::numeric_limits<qint64>::min();
    // A multi-row statement: head, one row per value group, tail.
    struct RowStatement
    {
        const char *head;
        const char *row;
        const char *tail;
        int columns;
    };

    bool openDatabase(Mode mode);
    void close();
    // Forgets the ids and presences the open walk may have handed out.
    void forgetWalkState();
    bool createSchema();
    // The prepared statement of this text with its values bound; when it
    // cannot be prepared the store fails, and run() refuses it.
    QSqlQuery &statement(const QString &sql, const QVariantList &values = {}) const;
    void resetStatements() const;
    bool run(QSqlQuery &query) const;
    bool runText(const QString &sql) const;
    void fail(const QSqlError &error) const;
    void failWith(const QString &message) const;
    void rollback();

    std::optional<qint64> serverId(const HistoryServer &server) const;
    bool loadNames();
    std::optional<qint64> serverIdForWrite(const HistoryServer &server, const QString &serverName);
    std::optional<qint64> mapId(const QString &map);
    QString mapName(qint64 id) const;

    bool writeWalk(const QList<WalkSample> &samples, const QList<WalkPlayers> &players);
    bool writeSightings(const QList<WalkPlayers> &players);
    // Runs the statement over values, columns per row, a few rows at a time.
    bool runRows(const RowStatement &insert, const QVariantList &values);
    bool moveFreshSamples(qint64 id, qint64 now);
    // Visits a few servers: moves their finished minutes and thins them.
    bool thinSome(qint64 now);
    bool thinServer(qint64 id, qint64 tenDone, qint64 hourDone, qint64 now);
    // Thins from done on towards cut, at most span seconds past the first
    // sample found; returns the new done, nothing on failure.
    std::optional<qint64> thinRange(qint64 id, qint64 done, qint64 cut, qint64 bucket, qint64 span);

    QString m_connection;
    QString m_path;
    Mode m_mode = Mode::ReadWrite;
    QSqlDatabase m_db;
    mutable bool m_available = false;
    mutable QString m_error = QStringLiteral("The history file is not open.");
    int m_days = kDefaultDays;
    bool m_walkOpen = false;

    QList<WalkSample> m_walkSamples;
    QList<WalkPlayers> m_walkPlayers;
    mutable std::unordered_map<QString, std::unique_ptr<QSqlQuery>> m_statements;
    mutable QSqlQuery m_unprepared;
    std::unique_ptr<HistoryCheckpointer> m_checkpointer;

    QHash<QString, ServerRow> m_servers;
    QHash<QString, qint64> m_mapIds;
    // Server id -> the players of its last list.
    QHash<qint64, QHash<QString, Presence>> m_present;
    mutable QHash<qint64, QString> m_mapNames;
    bool m_namesLoaded = false;
    qint64 m_thinAfter = 0;
};
