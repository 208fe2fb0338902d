#include "QtEventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void QtEventPump::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventPump::waitPumping(quint32 milliseconds)
{
    if (milliseconds == 0) {
        processPending();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(milliseconds), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::AllEvents);
}
