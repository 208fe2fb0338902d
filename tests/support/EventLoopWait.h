#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

// Runs the event loop until the condition holds or the time is up; tells
// whether it holds. Tests wait for timers and sockets with it. The time only
// bounds a failing wait: a loaded machine may take seconds for what a quiet
// one does at once.
template<typename Condition>
bool waitUntil(Condition condition, int milliseconds = 15000)
{
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!condition())
            QThread::msleep(1);
    }
    return condition();
}

// Runs the event loop for the given time.
inline void runEventLoopFor(int milliseconds)
{
    waitUntil([] { return false; }, milliseconds);
}
