#pragma once

#include "history/HistoryStore.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

#include <memory>

// A connection of its own to a history file, as another program would hold
// one: to look inside, to lock it, to change what the store finds.
class RawConnection
{
public:
    explicit RawConnection(const QString &path, const QString &options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"))
        : m_name(QStringLiteral("raw-%1").arg(++s_count))
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(path);
        m_db.setConnectOptions(options);
        m_db.open();
    }
    ~RawConnection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    RawConnection(const RawConnection &) = delete;
    RawConnection &operator=(const RawConnection &) = delete;

    bool exec(const QString &sql)
    {
        QSqlQuery query(m_db);
        return query.exec(sql);
    }
    // The first column of the first row, an invalid value when there is none.
    QVariant value(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(m_db);
        query.prepare(sql);
        for (qsizetype k = 0; k < values.size(); ++k)
            query.bindValue(static_cast<int>(k), values[k]);
        if (!query.exec() || !query.next())
            return {};
        return query.value(0);
    }
    qint64 count(const QString &table) { return value(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong(); }

private:
    static inline int s_count = 0;
    QString m_name;
    QSqlDatabase m_db;
};

// The transactions committed to the write-ahead log since it was last
// started over: its frames that end a commit, counted while their salts
// match the log's header.
inline int walCommits(const QString &databasePath)
{
    QFile wal(databasePath + QStringLiteral("-wal"));
    if (!wal.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = wal.readAll();
    if (bytes.size() < 32)
        return 0;
    const auto word = [&bytes](qsizetype at) { return qFromBigEndian<quint32>(bytes.constData() + at); };
    const quint32 pageSize = word(8);
    const quint32 salt1 = word(16);
    const quint32 salt2 = word(20);
    int commits = 0;
    for (qsizetype frame = 32; frame + 24 + pageSize <= bytes.size(); frame += 24 + pageSize) {
        if (word(frame + 8) != salt1 || word(frame + 12) != salt2)
            break;
        if (word(frame + 4) != 0)
            ++commits;
    }
    return commits;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
