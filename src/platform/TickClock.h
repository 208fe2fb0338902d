#pragma once

#include <QtGlobal>

// Milliseconds since an arbitrary start, wrapping at 32 bits like the
// system tick count; differences are taken as unsigned 32-bit values.
class TickClock
{
public:
    virtual ~TickClock() = default;
    virtual quint32 tickCount() const = 0;
};
