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
};

QList<Row> rows(const TUTServer &server);

// Row 3 of the view: the ping.
QString pingText(const TUTServer &server);

} // namespace ServerInfoRows
