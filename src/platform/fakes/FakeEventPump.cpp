#include "FakeEventPump.h"

#include "FakePlatform.h"

FakeEventPump::FakeEventPump(FakeTickClock &clock)
    : m_clock(clock)
{
}

void FakeEventPump::processPending()
{
    ++pendingCalls;
    if (onPump)
        onPump();
}

void FakeEventPump::waitPumping(quint32 milliseconds)
{
    waits.append(milliseconds);
    if (onPump)
        onPump();
    m_clock.advance(milliseconds);
}
