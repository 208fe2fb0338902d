#pragma once

#include <QList>
#include <QString>

class TUTServer;

// The 28 label and value rows of the server-info view.
namespace ServerInfoRows {

struct Row
{
    QString label;
    QString value;
    bool operator==(const Row &) const = default;
};

QList<Row> rows(const TUTServer &server);

// Row 3 of the view: the ping.
QString pingText(const TUTServer &server);

// The name as the server reports it and row 1 shows it, fit for a display
// name: control characters a hostile server might send become blanks, and
// the ends are trimmed. Empty when the server reported none.
QString reportedName(const TUTServer &server);

} // namespace ServerInfoRows
