#pragma once

#include "HostResolver.h"

// Looks names up with the system's resolver on Qt's look-up threads.
class SystemHostResolver final : public HostResolver
{
    Q_OBJECT
public:
    using HostResolver::HostResolver;

    void lookUp(const QString &name) override;
};
