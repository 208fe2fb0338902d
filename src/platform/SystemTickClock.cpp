#include "SystemTickClock.h"

#include <QDeadlineTimer>

quint32 SystemTickClock::tickCount() const
{
    // Monotonic milliseconds since boot, as the system tick count is.
    const qint64 nowMs = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs() / 1000000;
    return static_cast<quint32>(nowMs);
}
