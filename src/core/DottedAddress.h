#pragma once

#include <QString>

// Reads an IPv4 address written as four decimal numbers from 0 to 255
// separated by dots. The address is never resolved as a name: text of
// another form fails with a message.
struct DottedAddress
{
    bool ok = false;
    quint32 ipv4 = 0;
    QString error;

    static DottedAddress parse(const QString &host);
    // The address as replies name their sender: four decimal numbers
    // without leading zeros ("010.000.000.001" is "10.0.0.1").
    QString text() const;
    // The text of a dotted address in that form; any other text as it is.
    static QString canonical(const QString &host);
    // The empty host and the all-zero forms that are never queried.
    static bool isUnset(const QString &host);
    // Only digits and dots: meant as an address, never as a host name.
    static bool looksNumeric(const QString &text);
};
