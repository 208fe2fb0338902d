#pragma once

#include "EventPump.h"

class QtEventPump final : public EventPump
{
public:
    void processPending() override;
    void waitPumping(quint32 milliseconds) override;
};
