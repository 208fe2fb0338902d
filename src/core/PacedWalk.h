#pragma once

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class ServerTable;

// A walk over servers (or any rows) that never blocks: it does the step for
// one item, arms a single-shot timer for the pause and returns to the event
// loop, so replies are decoded while it waits. Items are held by an id that
// names them as long as they exist, so one deleted meanwhile is dropped. A
// cancelled walk does nothing more.
class PacedWalk final : public QObject
{
    Q_OBJECT
public:
    // What a step did: Paused waits the pause before the next server,
    // Skipped goes on at once, Stopped ends the walk there. Pending: the
    // step goes on in the background and resume() says how it ended. Done:
    // an open walk has no more steps.
    enum class Step { Paused, Skipped, Stopped, Pending, Done };
    using StepFunction = std::function<Step(int slot, int position)>;
    // The position of the item with this id now, -1 when it is gone.
    using Locate = std::function<int(quint64 item)>;
    using ItemIds = std::function<QList<quint64>()>;
    using PositionStep = std::function<Step(int position)>;
    using OpenStep = std::function<Step()>;

    // A walk over the server list; the step gets the server's slot and position.
    PacedWalk(const ServerTable &table, StepFunction step, QObject *parent = nullptr);
    // A walk over any list whose items have ids; allItems gives the ids of
    // the whole list for startOverList.
    PacedWalk(Locate locate, ItemIds allItems, PositionStep step, QObject *parent = nullptr);
    // An open walk: each step finds its own item and ends the walk with Done.
    explicit PacedWalk(OpenStep step, QObject *parent = nullptr);

    // Walks the given list items, pausing pauseMs after each paused step;
    // the first step runs before this returns. Starts nothing and returns
    // false while a walk is under way.
    bool start(const QList<quint64> &items, quint32 pauseMs);
    // Walks the whole list as it is now.
    bool startOverList(quint32 pauseMs);
    // Starts an open walk.
    bool startOpen(quint32 pauseMs);
    // Ends a Pending step as step would have.
    void resume(Step step);
    void cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // Before the step for item number n (from 1) of total.
    void stepping(int n, int total);
    // After the last step and its pause; completed is false when a step
    // stopped the walk. A cancelled walk does not finish.
    void finished(bool completed);

private:
    void walkOn();
    // What follows a step; false when the walk waits or has ended.
    bool afterStep(Step step);
    void finish(bool completed);

    Locate m_locate;
    ItemIds m_allItems;
    PositionStep m_step;
    OpenStep m_openStep;
    QTimer m_pause;
    QList<quint64> m_items;
    qsizetype m_next = 0;
    quint64 m_run = 0;
    bool m_running = false;
    bool m_open = false;
    bool m_pending = false;
};
