#pragma once

#include "TickClock.h"

class SystemTickClock final : public TickClock
{
public:
    quint32 tickCount() const override;
};
