#pragma once

#include <QString>

// The current local time written in the system's long time format.
class LocalTime
{
public:
    virtual ~LocalTime() = default;
    virtual QString longTimeText() const = 0;
};
