#pragma once

#include "HostResolver.h"

// Looks names up with the system's getaddrinfo on Qt's global thread pool,
// needing Qt Core only: the command-line query uses it, so that a run
// starts without loading the network library and all it brings.
class ThreadHostResolver final : public HostResolver
{
    Q_OBJECT
public:
    using HostResolver::HostResolver;

    void lookUp(const QString &name) override;
};
