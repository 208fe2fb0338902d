#pragma once

#include "HostResolver.h"

class SystemHostResolver final : public HostResolver
{
public:
    QString resolveIPv4(const QString &host) override;
};
