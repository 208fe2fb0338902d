#pragma once

#include <QtGlobal>

// Keeps the user-interface thread's events flowing while a handler waits.
// Handlers nest inside these calls: timer ticks, socket reads and user
// commands all run while a wait is under way.
class EventPump
{
public:
    virtual ~EventPump() = default;
    // Handles the events already pending and returns.
    virtual void processPending() = 0;
    // Returns once the given milliseconds have passed, handling events all the while.
    virtual void waitPumping(quint32 milliseconds) = 0;
};
