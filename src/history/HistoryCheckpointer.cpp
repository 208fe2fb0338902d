#include "HistoryCheckpointer.h"

#include <QSqlDatabase>
#include <QSqlQuery>

HistoryCheckpointer::HistoryCheckpointer(const QString &path)
    : m_thread([this, path] { run(path); })
{
}

HistoryCheckpointer::~HistoryCheckpointer()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void HistoryCheckpointer::walkCommitted()
{
    {
        const std::lock_guard lock(m_mutex);
        if (++m_walks < kWalksPerCheckpoint)
            return;
        m_walks = 0;
        m_due = true;
    }
    m_wake.notify_one();
}

void HistoryCheckpointer::run(const QString &path)
{
    const QString name = QStringLiteral("quorvelin-history-checkpoint-%1").arg(reinterpret_cast<quintptr>(this));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        const bool opened = db.open();
        QSqlQuery checkpoint(db);
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_due || m_stop; });
            if (m_stop)
                break;
            m_due = false;
            lock.unlock();
            // Passive: it copies what no reader needs and never waits.
            if (opened) {
                checkpoint.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
                checkpoint.finish();
            }
            lock.lock();
        }
        lock.unlock();
        checkpoint = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
