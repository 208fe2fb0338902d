#pragma once

#include <QString>

class HostResolver
{
public:
    virtual ~HostResolver() = default;
    // The host's IPv4 address in dotted form, the last one when it has
    // several; empty when it cannot be resolved. A dotted address resolves
    // to itself.
    virtual QString resolveIPv4(const QString &host) = 0;
};
