#pragma once

#include "platform/EventPump.h"

#include <QList>

#include <functional>

class FakeTickClock;

// Waits without sleeping: a wait advances the fake clock and runs whatever
// the test scheduled to happen "during" it.
class FakeEventPump final : public EventPump
{
public:
    explicit FakeEventPump(FakeTickClock &clock);

    void processPending() override;
    void waitPumping(quint32 milliseconds) override;

    // Runs at every processPending and waitPumping until cleared.
    std::function<void()> onPump;
    QList<quint32> waits;
    int pendingCalls = 0;

private:
    FakeTickClock &m_clock;
};
