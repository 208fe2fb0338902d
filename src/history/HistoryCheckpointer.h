#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

// Copies the history's write-ahead log into its file on a thread and a
// connection of its own, every so many walks, so that no walk waits for the
// disk to sync. A checkpoint that fails is tried again next time; real
// faults show in the walks' own writes.
class HistoryCheckpointer final
{
public:
    static constexpr int kWalksPerCheckpoint = 20;

    explicit HistoryCheckpointer(const QString &path);
    // Waits for a checkpoint under way.
    ~HistoryCheckpointer();
    HistoryCheckpointer(const HistoryCheckpointer &) = delete;
    HistoryCheckpointer &operator=(const HistoryCheckpointer &) = delete;

    void walkCommitted();

private:
    void run(const QString &path);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_walks = 0;
    bool m_due = false;
    bool m_stop = false;
    std::thread m_thread;
};
