#include "DebugLog.h"

#include "platform/LocalTime.h"

DebugLog::DebugLog(bool debugMode, const LocalTime &time, QObject *parent)
    : QObject(parent)
    , m_debugMode(debugMode)
    , m_time(time)
{
}

void DebugLog::log(const QString &text)
{
    if (!isActive())
        return;
    Q_EMIT lineAdded(QLatin1Char('[') + m_time.longTimeText() + QLatin1String("] ") + text);
}

#include "moc_DebugLog.cpp"
