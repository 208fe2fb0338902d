#pragma once

#include "LocalTime.h"

class SystemLocalTime final : public LocalTime
{
public:
    QString longTimeText() const override;
};
