#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

// A 5 ms heartbeat on the event loop: the longest gap between two beats is
// the longest time the loop spent in one handler (plus the beat itself).
class StallMeter final
{
public:
    StallMeter()
    {
        m_beat.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_beat, &QTimer::timeout, &m_beat, [this] { lap(); });
    }

    void start()
    {
        m_clock.start();
        m_last = 0;
        m_worst = 0;
        m_beat.start(5);
    }

    // Stops the beat, counting the handler that ran last; the milliseconds since start().
    qint64 stop()
    {
        lap();
        m_beat.stop();
        return m_clock.elapsed();
    }

    qint64 elapsed() const { return m_clock.elapsed(); }
    qint64 longestGap() const { return m_worst; }

private:
    void lap()
    {
        const qint64 now = m_clock.elapsed();
        m_worst = std::max(m_worst, now - m_last);
        m_last = now;
    }

    QElapsedTimer m_clock;
    QTimer m_beat;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};
