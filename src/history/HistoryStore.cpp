#include "HistoryStore.h"

#include "HistoryCheckpointer.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlError>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {

const QString kFileName = QStringLiteral("history.sqlite");

// Thinning: a few servers per walk, each over a bounded span, so a walk
// stays short even when much is due (a shorter retention, a first month).
constexpr int kThinServersPerWalk = 4;
constexpr qint64 kTenMinutes = 600;
constexpr qint64 kHour = 3600;
constexpr qint64 kTenSpan = 6 * kHour;
constexpr qint64 kHourSpan = 2 * HistoryStore::kDay;

// SQLite's primary result codes, as the driver reports them.
enum SqliteCode { Busy = 5, Locked = 6, ReadOnly = 8, Corrupt = 11, Full = 13, CantOpen = 14, NotADatabase = 26 };

qint64 floorTo(qint64 value, qint64 step)
{
    const qint64 q = value / step;
    return (value % step < 0 ? q - 1 : q) * step;
}

// A null string would be bound as NULL; the history stores text, empty or not.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

bool ownerMayWrite(const QFileInfo &info)
{
    return info.permissions().testFlag(QFile::WriteOwner);
}

const char *const kSchema[] = {
    "CREATE TABLE servers(id INTEGER PRIMARY KEY, host TEXT NOT NULL, port INTEGER NOT NULL,"
    " name TEXT NOT NULL DEFAULT '', tenDone INTEGER NOT NULL DEFAULT 0, hourDone INTEGER NOT NULL DEFAULT 0,"
    " UNIQUE(host, port))",
    "CREATE TABLE maps(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
    // The last minutes, one row per minute and server: a walk's rows lie
    // together, and the index by server changes only once a minute.
    "CREATE TABLE fresh(minute INTEGER NOT NULL, server INTEGER NOT NULL, time INTEGER NOT NULL,"
    " players INTEGER NOT NULL, maxPlayers INTEGER NOT NULL, map INTEGER NOT NULL,"
    " PRIMARY KEY(minute, server)) WITHOUT ROWID",
    "CREATE INDEX freshByServer ON fresh(server)",
    "CREATE TABLE samples(server INTEGER NOT NULL, time INTEGER NOT NULL, players INTEGER NOT NULL,"
    " maxPlayers INTEGER NOT NULL, map INTEGER NOT NULL, PRIMARY KEY(server, time)) WITHOUT ROWID",
    "CREATE TABLE sightings(server INTEGER NOT NULL, name TEXT NOT NULL, firstSeen INTEGER NOT NULL,"
    " lastSeen INTEGER NOT NULL, PRIMARY KEY(server, name)) WITHOUT ROWID",
    "CREATE INDEX sightingsByName ON sightings(name)",
};

} // namespace

HistoryStore::HistoryStore()
{
    static QAtomicInteger<quint64> instances;
    m_connection = QStringLiteral("quorvelin-history-%1").arg(instances.fetchAndAddRelaxed(1));
}

HistoryStore::~HistoryStore()
{
    close();
}

void HistoryStore::close()
{
    m_checkpointer.reset();
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_available = false;
    forgetWalkState();
}

QString HistoryStore::filePath(const QString &profileDirectory)
{
    return QDir(profileDirectory).filePath(kFileName);
}

bool HistoryStore::open(const QString &path, Mode mode)
{
    close();
    m_path = path;
    m_mode = mode;
    m_error.clear();
    const QFileInfo file(path);
    const QFileInfo dir(file.absolutePath());
    if (!dir.isDir()) {
        failWith(QStringLiteral("The folder %1 of the history file does not exist.").arg(dir.filePath()));
        return false;
    }
    if (mode == Mode::ReadOnly) {
        if (!file.exists()) {
            failWith(QStringLiteral("There is no history file %1.").arg(path));
            return false;
        }
    } else {
        // The log and its index are files beside the database.
        if (file.exists() && !ownerMayWrite(file)) {
            failWith(QStringLiteral("The history file %1 is read-only.").arg(path));
            return false;
        }
        if (!ownerMayWrite(dir)) {
            failWith(QStringLiteral("The folder %1 of the history file is read-only.").arg(dir.filePath()));
            return false;
        }
    }
    return openDatabase(mode);
}

bool HistoryStore::openDatabase(Mode mode)
{
    const auto reset = qScopeGuard([this] { resetStatements(); });
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid()) {
        failWith(QStringLiteral("The history cannot be kept: the SQLite driver of Qt is not installed."));
        return false;
    }
    m_db.setDatabaseName(m_path);
    // Another program holding the file must never make the window wait.
    m_db.setConnectOptions(mode == Mode::ReadOnly ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=0;QSQLITE_OPEN_READONLY")
                                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!m_db.open()) {
        fail(m_db.lastError());
        return false;
    }
    m_available = true;

    QSqlQuery &version = statement(QStringLiteral("PRAGMA user_version"));
    if (!run(version) || !version.next()) {
        if (m_available)
            fail(version.lastError());
        return false;
    }
    const int schema = version.value(0).toInt();
    version.finish();
    if (schema > kSchemaVersion) {
        failWith(QStringLiteral("The history file %1 was written by a later version of Quorvelin.").arg(m_path));
        return false;
    }
    if (mode == Mode::ReadOnly)
        return true;

    QSqlQuery &journal = statement(QStringLiteral("PRAGMA journal_mode=WAL"));
    if (!run(journal))
        return false;
    if (!journal.next() || journal.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        failWith(QStringLiteral("The history file %1 cannot keep a write-ahead log beside it.").arg(m_path));
        return false;
    }
    journal.finish();
    // Committed walks survive a kill; only a power cut may lose the last few.
    // The log is copied into the file on a thread of its own; the walks
    // copy it themselves only when that falls far behind.
    if (!runText(QStringLiteral("PRAGMA synchronous=NORMAL"))
        || !runText(QStringLiteral("PRAGMA wal_autocheckpoint=%1").arg(kLogPagesBeforeWalksCopy)))
        return false;
    if (schema == 0 && !createSchema())
        return false;
    m_checkpointer = std::make_unique<HistoryCheckpointer>(m_path);
    return true;
}

bool HistoryStore::createSchema()
{
    QSqlQuery &tables = statement(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    if (!run(tables) || !tables.next())
        return false;
    const bool empty = tables.value(0).toInt() == 0;
    tables.finish();
    if (!empty) {
        failWith(QStringLiteral("The file %1 is not a history file of Quorvelin.").arg(m_path));
        return false;
    }
    if (!runText(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    for (const char *sql : kSchema) {
        if (!runText(QString::fromLatin1(sql))) {
            rollback();
            return false;
        }
    }
    if (!runText(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion)) || !runText(QStringLiteral("COMMIT"))) {
        rollback();
        return false;
    }
    return true;
}

void HistoryStore::setHistoryDays(int days)
{
    m_days = std::clamp(days, kMinDays, kMaxDays);
}

QSqlQuery &HistoryStore::statement(const QString &sql, const QVariantList &values) const
{
    if (!m_available)
        return m_unprepared;
    // Each text is prepared once and kept.
    std::unique_ptr<QSqlQuery> &cached = m_statements[sql];
    if (!cached) {
        auto query = std::make_unique<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            fail(query->lastError());
            m_statements.erase(sql);
            return m_unprepared;
        }
        cached = std::move(query);
    }
    for (qsizetype k = 0; k < values.size(); ++k)
        cached->bindValue(static_cast<int>(k), values[k]);
    return *cached;
}

void HistoryStore::resetStatements() const
{
    // No read stays open between calls: it would pin the log.
    for (const auto &[sql, query] : m_statements)
        query->finish();
}

bool HistoryStore::run(QSqlQuery &query) const
{
    if (!m_available)
        return false;
    if (query.exec())
        return true;
    fail(query.lastError());
    return false;
}

bool HistoryStore::runText(const QString &sql) const
{
    if (!m_available)
        return false;
    QSqlQuery query(m_db);
    if (query.exec(sql))
        return true;
    fail(query.lastError());
    return false;
}

void HistoryStore::fail(const QSqlError &error) const
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    switch (code) {
    case Busy:
    case Locked: failWith(QStringLiteral("The history file %1 is in use by another program.").arg(m_path)); return;
    case ReadOnly: failWith(QStringLiteral("The history file %1 is read-only.").arg(m_path)); return;
    case Corrupt:
    case NotADatabase:
        failWith(QStringLiteral("The history file %1 is damaged: it is not a readable SQLite database.").arg(m_path));
        return;
    case Full: failWith(QStringLiteral("The disk that holds the history file %1 is full.").arg(m_path)); return;
    case CantOpen: failWith(QStringLiteral("The history file %1 cannot be opened.").arg(m_path)); return;
    default: break;
    }
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    failWith(QStringLiteral("The history file %1 cannot be used: %2").arg(m_path, detail));
}

void HistoryStore::failWith(const QString &message) const
{
    // The first fault is the one the user hears of.
    if (m_error.isEmpty())
        m_error = message;
    m_available = false;
}

void HistoryStore::rollback()
{
    QSqlQuery query(m_db);
    query.exec(QStringLiteral("ROLLBACK"));
    // Ids handed out in the walk are gone with it.
    forgetWalkState();
}

void HistoryStore::forgetWalkState()
{
    m_walkOpen = false;
    m_servers.clear();
    m_mapIds.clear();
    m_mapNames.clear();
    m_present.clear();
    m_namesLoaded = false;
}

std::optional<qint64> HistoryStore::serverId(const HistoryServer &server) const
{
    const auto known = m_servers.constFind(server.key());
    if (known != m_servers.constEnd())
        return known->id;
    QSqlQuery &query = statement(QStringLiteral("SELECT id FROM servers WHERE host = ? AND port = ?"),
                                 {text(server.host), server.port});
    if (!run(query) || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool HistoryStore::loadNames()
{
    // Both tables are small: one read each spares a look-up per server.
    if (m_namesLoaded)
        return true;
    QSqlQuery &servers = statement(QStringLiteral("SELECT id, host, port, name FROM servers"));
    if (!run(servers))
        return false;
    while (servers.next()) {
        const HistoryServer server{servers.value(1).toString(), servers.value(2).toInt()};
        m_servers.insert(server.key(), {servers.value(0).toLongLong(), servers.value(3).toString()});
    }
    QSqlQuery &maps = statement(QStringLiteral("SELECT id, name FROM maps"));
    if (!run(maps))
        return false;
    while (maps.next()) {
        const qint64 id = maps.value(0).toLongLong();
        const QString name = maps.value(1).toString();
        m_mapIds.insert(name, id);
        m_mapNames.insert(id, name);
    }
    m_namesLoaded = true;
    return true;
}

std::optional<qint64> HistoryStore::serverIdForWrite(const HistoryServer &server, const QString &serverName)
{
    if (!loadNames())
        return std::nullopt;
    auto known = m_servers.find(server.key());
    if (known == m_servers.end()) {
        QSqlQuery &insert =
            statement(QStringLiteral("INSERT INTO servers(host, port, name) VALUES(?, ?, ?)"
                                     " ON CONFLICT(host, port) DO UPDATE SET name = excluded.name RETURNING id"),
                      {text(server.host), server.port, text(serverName)});
        if (!run(insert) || !insert.next())
            return std::nullopt;
        known = m_servers.insert(server.key(), {insert.value(0).toLongLong(), serverName});
    }
    if (!serverName.isEmpty() && known->name != serverName) {
        QSqlQuery &rename =
            statement(QStringLiteral("UPDATE servers SET name = ? WHERE id = ?"), {text(serverName), known->id});
        if (!run(rename))
            return std::nullopt;
        known->name = serverName;
    }
    return known->id;
}

std::optional<qint64> HistoryStore::mapId(const QString &map)
{
    if (!loadNames())
        return std::nullopt;
    const auto known = m_mapIds.constFind(map);
    if (known != m_mapIds.constEnd())
        return *known;
    QSqlQuery &insert = statement(QStringLiteral("INSERT INTO maps(name) VALUES(?)"
                                                 " ON CONFLICT(name) DO UPDATE SET name = excluded.name RETURNING id"),
                                  {text(map)});
    if (!run(insert) || !insert.next())
        return std::nullopt;
    const qint64 id = insert.value(0).toLongLong();
    m_mapIds.insert(map, id);
    m_mapNames.insert(id, map);
    return id;
}

QString HistoryStore::mapName(qint64 id) const
{
    const auto known = m_mapNames.constFind(id);
    if (known != m_mapNames.constEnd())
        return *known;
    QSqlQuery &find = statement(QStringLiteral("SELECT name FROM maps WHERE id = ?"), {id});
    if (!run(find) || !find.next())
        return QString();
    const QString name = find.value(0).toString();
    m_mapNames.insert(id, name);
    return name;
}

void HistoryStore::beginWalk()
{
    m_walkSamples.clear();
    m_walkPlayers.clear();
    m_walkOpen = m_mode == Mode::ReadWrite;
}

void HistoryStore::addSample(const HistoryServer &server, const QString &serverName, const HistorySample &sample)
{
    if (m_walkOpen)
        m_walkSamples.append({server, serverName, sample});
}

void HistoryStore::addPlayers(const HistoryServer &server, const QString &serverName, const QStringList &names,
                              qint64 time)
{
    if (m_walkOpen)
        m_walkPlayers.append({server, serverName, names, time});
}

bool HistoryStore::commitWalk(qint64 now)
{
    if (!m_walkOpen)
        return false;
    const auto reset = qScopeGuard([this] { resetStatements(); });
    m_walkOpen = false;
    const QList<WalkSample> samples = std::exchange(m_walkSamples, {});
    const QList<WalkPlayers> players = std::exchange(m_walkPlayers, {});
    if (!runText(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    const bool written = writeWalk(samples, players) && thinSome(now);
    resetStatements();
    if (!written || !runText(QStringLiteral("COMMIT"))) {
        rollback();
        return false;
    }
    m_checkpointer->walkCommitted();
    return true;
}

bool HistoryStore::writeWalk(const QList<WalkSample> &samples, const QList<WalkPlayers> &players)
{
    // The busiest sample of the minute stays; of equals the latest.
    static const RowStatement kPutFresh{
        "INSERT INTO fresh(server, minute, time, players, maxPlayers, map) VALUES ", "(?, ?, ?, ?, ?, ?)",
        " ON CONFLICT(minute, server) DO UPDATE SET time = excluded.time, players = excluded.players,"
        " maxPlayers = excluded.maxPlayers, map = excluded.map WHERE excluded.players > fresh.players"
        " OR (excluded.players = fresh.players AND excluded.time >= fresh.time)",
        6};
    QVariantList values;
    values.reserve(samples.size() * kPutFresh.columns);
    for (const WalkSample &row : samples) {
        const std::optional<qint64> id = serverIdForWrite(row.server, row.serverName);
        const std::optional<qint64> map = id ? mapId(row.sample.map) : std::nullopt;
        if (!map)
            return false;
        values << *id << floorTo(row.sample.time, 60) / 60 << row.sample.time << row.sample.players
               << row.sample.maxPlayers << *map;
    }
    return runRows(kPutFresh, values) && writeSightings(players);
}

bool HistoryStore::writeSightings(const QList<WalkPlayers> &players)
{
    // A player first seen more than the gap after the visit stored starts a
    // new one; else the visit stored goes on.
    static_assert(kVisitGap == 600, "the statement below spells the gap out");
    static const RowStatement kPutSighting{
        "WITH seen(server, name, firstSeen, lastSeen) AS (VALUES ", "(?, ?, ?, ?)",
        ") INSERT INTO sightings(server, name, firstSeen, lastSeen) SELECT server, name, firstSeen, lastSeen"
        " FROM seen WHERE true ON CONFLICT(server, name) DO UPDATE SET firstSeen = CASE WHEN excluded.firstSeen"
        " - sightings.lastSeen > 600 THEN excluded.firstSeen ELSE sightings.firstSeen END,"
        " lastSeen = max(sightings.lastSeen, excluded.lastSeen)",
        4};
    QVariantList values;
    const auto put = [&values](qint64 id, const QString &name, const Presence &presence) {
        values << id << text(name) << presence.firstSeen << presence.lastSeen;
    };
    // Who left is written with the last moment seen, who arrived at once,
    // who stays once a minute: each server at its own second of the minute,
    // so the servers' players are not all written in one walk. Past the
    // budget, arrivals first, the rest wait for the next walks.
    QList<std::pair<qint64, const WalkPlayers *>> lists;
    for (const WalkPlayers &list : players) {
        const std::optional<qint64> id = serverIdForWrite(list.server, list.serverName);
        if (!id)
            return false;
        QHash<QString, Presence> &before = m_present[*id];
        QHash<QString, Presence> now;
        for (const QString &name : list.names) {
            Presence presence{list.time, list.time, kNeverWritten};
            const auto known = before.constFind(name);
            if (known != before.constEnd()) {
                if (list.time - known->lastSeen <= kVisitGap)
                    presence = {known->firstSeen, list.time, known->written};
                else if (known->lastSeen > known->written)
                    put(*id, name, *known);
            }
            now.insert(name, presence);
        }
        for (auto gone = before.cbegin(); gone != before.cend(); ++gone) {
            if (!now.contains(gone.key()) && gone->lastSeen > gone->written)
                put(*id, gone.key(), *gone);
        }
        before = std::move(now);
        lists.append({*id, &list});
    }
    int budget = kMostSightingsPerWalk;
    for (const bool arrivals : {true, false}) {
        for (const auto &[id, list] : lists) {
            const qint64 phase = id * 7 % kPresenceStep;
            const auto minuteOf = [phase](qint64 time) { return floorTo(time - phase, kPresenceStep); };
            QHash<QString, Presence> &roster = m_present[id];
            for (const QString &name : list->names) {
                Presence &presence = roster[name];
                const bool due = arrivals ? presence.written == kNeverWritten
                                          : presence.written != kNeverWritten && presence.lastSeen == list->time
                                                && minuteOf(list->time) != minuteOf(presence.written);
                if (due && budget > 0) {
                    presence.written = list->time;
                    put(id, name, presence);
                    --budget;
                }
            }
        }
    }
    return runRows(kPutSighting, values);
}

bool HistoryStore::runRows(const RowStatement &insert, const QVariantList &values)
{
    // Sixteen rows a statement spare most of the per-statement cost; more
    // gain nothing. Rests go in halves, so at most five statements a kind.
    constexpr qsizetype kRows = 16;
    const qsizetype rows = values.size() / insert.columns;
    qsizetype done = 0;
    while (done < rows) {
        qsizetype take = kRows;
        while (take > rows - done)
            take /= 2;
        QString sql = QLatin1String(insert.head);
        for (qsizetype k = 0; k < take; ++k) {
            if (k > 0)
                sql += QLatin1String(", ");
            sql += QLatin1String(insert.row);
        }
        sql += QLatin1String(insert.tail);
        QSqlQuery &query = statement(sql);
        const qsizetype first = done * insert.columns;
        for (qsizetype k = 0; k < take * insert.columns; ++k)
            query.bindValue(static_cast<int>(k), values[first + k]);
        if (!run(query))
            return false;
        done += take;
    }
    return true;
}

bool HistoryStore::moveFreshSamples(qint64 id, qint64 now)
{
    // Whole ten minutes at a time join the samples in server order: each
    // server's page is written once for them, not once a walk.
    const qint64 before = floorTo(now, kTenMinutes) / 60;
    QSqlQuery &move = statement(QStringLiteral("INSERT OR REPLACE INTO samples(server, time, players, maxPlayers, map)"
                                               " SELECT server, time, players, maxPlayers, map FROM fresh"
                                               " WHERE server = ? AND minute < ?"),
                                {id, before});
    QSqlQuery &drop = statement(QStringLiteral("DELETE FROM fresh WHERE server = ? AND minute < ?"), {id, before});
    return run(move) && run(drop);
}

bool HistoryStore::thinSome(qint64 now)
{
    struct Due
    {
        qint64 id;
        qint64 tenDone;
        qint64 hourDone;
    };
    QList<Due> due;
    for (int pass = 0; pass < 2 && due.isEmpty(); ++pass) {
        QSqlQuery &next =
            statement(QStringLiteral("SELECT id, tenDone, hourDone FROM servers WHERE id > ? ORDER BY id LIMIT ?"),
                      {pass == 0 ? m_thinAfter : 0, kThinServersPerWalk});
        if (!run(next))
            return false;
        while (next.next())
            due.append({next.value(0).toLongLong(), next.value(1).toLongLong(), next.value(2).toLongLong()});
    }
    for (const Due &server : due) {
        if (!thinServer(server.id, server.tenDone, server.hourDone, now))
            return false;
        m_thinAfter = server.id;
    }
    return true;
}

bool HistoryStore::thinServer(qint64 id, qint64 tenDone, qint64 hourDone, qint64 now)
{
    if (!moveFreshSamples(id, now))
        return false;
    const qint64 retention = static_cast<qint64>(m_days) * kDay;
    const qint64 tenCut = floorTo(now - kDay, kTenMinutes);
    const qint64 hourCut = floorTo(now - retention, kHour);
    qint64 newHour = hourDone;
    if (hourDone < hourCut) {
        const std::optional<qint64> done = thinRange(id, hourDone, hourCut, kHour, kHourSpan);
        if (!done)
            return false;
        newHour = *done;
        QSqlQuery &forget =
            statement(QStringLiteral("DELETE FROM sightings WHERE server = ? AND lastSeen < ?"), {id, now - retention});
        if (!run(forget))
            return false;
    }
    // What is one per hour is one per ten minutes as well.
    qint64 newTen = std::max(tenDone, newHour);
    if (newTen < tenCut) {
        const std::optional<qint64> done = thinRange(id, newTen, tenCut, kTenMinutes, kTenSpan);
        if (!done)
            return false;
        newTen = *done;
    }
    if (newTen == tenDone && newHour == hourDone)
        return true;
    QSqlQuery &update =
        statement(QStringLiteral("UPDATE servers SET tenDone = ?, hourDone = ? WHERE id = ?"), {newTen, newHour, id});
    return run(update);
}

std::optional<qint64> HistoryStore::thinRange(qint64 id, qint64 done, qint64 cut, qint64 bucket, qint64 span)
{
    QSqlQuery &first = statement(
        QStringLiteral("SELECT min(time) FROM samples WHERE server = ? AND time >= ? AND time < ?"), {id, done, cut});
    if (!run(first) || !first.next())
        return std::nullopt;
    if (first.value(0).isNull())
        return cut;
    const qint64 from = std::max(done, floorTo(first.value(0).toLongLong(), bucket));
    const qint64 to = std::min(cut, from + span);
    first.finish();
    QSqlQuery &thin = statement(
        QStringLiteral(
            "DELETE FROM samples WHERE server = ? AND time IN (SELECT time FROM (SELECT time, row_number() OVER"
            " (PARTITION BY time / ? ORDER BY players DESC, time DESC) AS rank FROM samples"
            " WHERE server = ? AND time >= ? AND time < ?) WHERE rank > 1)"),
        {id, bucket, id, from, to});
    if (!run(thin))
        return std::nullopt;
    return to;
}

QList<HistorySample> HistoryStore::samples(const HistoryServer &server, qint64 from, qint64 to) const
{
    QList<HistorySample> result;
    if (!m_available)
        return result;
    const auto reset = qScopeGuard([this] { resetStatements(); });
    const std::optional<qint64> id = serverId(server);
    if (!id)
        return result;
    QSqlQuery &query = statement(QStringLiteral("SELECT time, players, maxPlayers, map FROM samples"
                                                " WHERE server = ? AND time >= ? AND time <= ?"
                                                " UNION ALL SELECT time, players, maxPlayers, map FROM fresh"
                                                " WHERE server = ? AND time >= ? AND time <= ? ORDER BY 1"),
                                 {*id, from, to, *id, from, to});
    if (!run(query))
        return result;
    QList<qint64> maps;
    while (query.next()) {
        result.append({query.value(0).toLongLong(), query.value(1).toInt(), query.value(2).toInt(), QString()});
        maps.append(query.value(3).toLongLong());
    }
    if (query.lastError().isValid()) {
        fail(query.lastError());
        return {};
    }
    query.finish();
    for (qsizetype k = 0; k < result.size(); ++k)
        result[k].map = mapName(maps[k]);
    return m_available ? result : QList<HistorySample>();
}

WeekHours HistoryStore::busyHours(const HistoryServer &server, qint64 since) const
{
    WeekHours hours;
    hours.fill(-1.0);
    const QList<HistorySample> list = samples(server, since, std::numeric_limits<qint64>::max());
    // Each hour of the calendar first gets its own mean, so the dense recent
    // samples do not outweigh the thinned older ones.
    struct Sum
    {
        double players = 0;
        int count = 0;
    };
    QHash<qint64, int> offsets; // UTC hour -> seconds east of UTC
    QHash<qint64, Sum> byLocalHour;
    for (const HistorySample &sample : list) {
        const qint64 utcHour = floorTo(sample.time, kHour) / kHour;
        auto offset = offsets.constFind(utcHour);
        if (offset == offsets.constEnd())
            offset = offsets.insert(utcHour, QDateTime::fromSecsSinceEpoch(utcHour * kHour).offsetFromUtc());
        Sum &sum = byLocalHour[floorTo(sample.time + *offset, kHour) / kHour];
        sum.players += sample.players;
        ++sum.count;
    }
    std::array<Sum, 7 * 24> week{};
    for (auto it = byLocalHour.cbegin(); it != byLocalHour.cend(); ++it) {
        const qint64 localHour = it.key();
        const qint64 day = floorTo(localHour, 24) / 24;
        // 1970-01-01 was a Thursday; Monday is 0.
        const qint64 weekday = ((day + 3) % 7 + 7) % 7;
        const qint64 hour = localHour - day * 24;
        Sum &slot = week[static_cast<size_t>(weekday * 24 + hour)];
        slot.players += it->players / it->count;
        ++slot.count;
    }
    for (size_t k = 0; k < week.size(); ++k) {
        if (week[k].count > 0)
            hours[k] = week[k].players / week[k].count;
    }
    return hours;
}

std::optional<PlayerSighting> HistoryStore::lastSighting(const QString &name) const
{
    if (!m_available)
        return std::nullopt;
    const auto reset = qScopeGuard([this] { resetStatements(); });
    QSqlQuery &query =
        statement(QStringLiteral("SELECT s.firstSeen, s.lastSeen, v.host, v.port, v.name FROM sightings s"
                                 " JOIN servers v ON v.id = s.server WHERE s.name = ?"
                                 " ORDER BY s.lastSeen DESC LIMIT 1"),
                  {text(name)});
    if (!run(query) || !query.next())
        return std::nullopt;
    PlayerSighting seen;
    seen.name = name;
    seen.firstSeen = query.value(0).toLongLong();
    seen.lastSeen = query.value(1).toLongLong();
    seen.server = {query.value(2).toString(), query.value(3).toInt()};
    seen.serverName = query.value(4).toString();
    return seen;
}
