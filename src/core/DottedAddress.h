#pragma once

#include <QString>

// Reads an IPv4 address written as four dot-separated numbers. The address
// is never resolved as a name: text of another form fails with a message.
struct DottedAddress
{
    bool ok = false;
    quint32 ipv4 = 0;
    QString error;

    static DottedAddress parse(const QString &host);
    // The empty host and the all-zero forms that are never queried.
    static bool isUnset(const QString &host);
};
