#include "PacedWalk.h"

#include "ServerTable.h"

#include <chrono>

PacedWalk::PacedWalk(const ServerTable &table, StepFunction step, QObject *parent)
    : PacedWalk([&table](quint64 item) { return table.positionOfItemId(item); }, [&table] { return table.itemIds(); },
                [&table, step = std::move(step)](int position) { return step(table.slotAt(position), position); },
                parent)
{
}

PacedWalk::PacedWalk(Locate locate, ItemIds allItems, PositionStep step, QObject *parent)
    : QObject(parent)
    , m_locate(std::move(locate))
    , m_allItems(std::move(allItems))
    , m_step(std::move(step))
{
    m_pause.setSingleShot(true);
    // A precise timer never fires early, so the pause is at least what was asked.
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &PacedWalk::walkOn);
}

PacedWalk::PacedWalk(OpenStep step, QObject *parent)
    : PacedWalk(Locate(), ItemIds(), PositionStep(), parent)
{
    m_openStep = std::move(step);
}

bool PacedWalk::start(const QList<quint64> &items, quint32 pauseMs)
{
    if (m_running || !m_step)
        return false;
    m_open = false;
    m_running = true;
    m_pending = false;
    ++m_run;
    m_items = items;
    m_next = 0;
    m_pause.setInterval(std::chrono::milliseconds(pauseMs));
    walkOn();
    return true;
}

bool PacedWalk::startOverList(quint32 pauseMs)
{
    return m_allItems && start(m_allItems(), pauseMs);
}

bool PacedWalk::startOpen(quint32 pauseMs)
{
    if (m_running || !m_openStep)
        return false;
    m_open = true;
    m_running = true;
    m_pending = false;
    ++m_run;
    m_pause.setInterval(std::chrono::milliseconds(pauseMs));
    walkOn();
    return true;
}

void PacedWalk::resume(Step step)
{
    if (!m_running || !m_pending)
        return;
    m_pending = false;
    if (afterStep(step))
        walkOn();
}

void PacedWalk::cancel()
{
    m_pause.stop();
    m_running = false;
    m_pending = false;
    m_items.clear();
    ++m_run;
}

void PacedWalk::walkOn()
{
    // Listeners and steps may cancel or restart the walk; the run number
    // tells this call that it no longer owns the walk.
    const quint64 run = m_run;
    while (m_open) {
        const Step step = m_openStep();
        if (run != m_run || !afterStep(step))
            return;
    }
    const auto total = static_cast<int>(m_items.size());
    while (m_next < m_items.size()) {
        const quint64 item = m_items[m_next++];
        if (m_locate(item) < 0)
            continue;
        Q_EMIT stepping(static_cast<int>(m_next), total);
        if (run != m_run)
            return;
        const int position = m_locate(item);
        if (position < 0)
            continue;
        const Step step = m_step(position);
        if (run != m_run || !afterStep(step))
            return;
    }
    finish(true);
}

bool PacedWalk::afterStep(Step step)
{
    switch (step) {
    case Step::Skipped: return true;
    case Step::Paused: m_pause.start(); return false;
    case Step::Pending: m_pending = true; return false;
    case Step::Stopped: finish(false); return false;
    case Step::Done: finish(true); return false;
    }
    return false;
}

void PacedWalk::finish(bool completed)
{
    m_running = false;
    m_items.clear();
    Q_EMIT finished(completed);
}

#include "moc_PacedWalk.cpp"
