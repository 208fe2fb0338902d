#pragma once

#include <QString>

#include <optional>

// A server named as "ADDRESS:QUERYPORT" on the command line.
struct ServerAddress
{
    QString address;
    int port = 0;

    // The address before the last colon, a dotted one in its canonical form
    // (no leading zeros), and a port from 1 to 65535; nothing, with a
    // message for the user in error, for any other text.
    static std::optional<ServerAddress> parse(const QString &text, QString *error);
};
