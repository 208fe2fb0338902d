#include "DebugLog.h"

#include "RunState.h"
#include "platform/LocalTime.h"

DebugLog::DebugLog(const RunState &state, const LocalTime &time, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_time(time)
{
}

bool DebugLog::isActive() const
{
    return m_state.DebugMode && !m_state.ShuttingDown;
}

void DebugLog::log(const QString &text)
{
    if (!isActive())
        return;
    Q_EMIT lineAdded(QLatin1Char('[') + m_time.longTimeText() + QLatin1String("] ") + text);
}
