#pragma once

#include <QByteArray>
#include <QString>

// The server list's entry of one server. The counts are copies of the
// server record's values, refreshed by ServerTable::syncListCounts.
struct TServerListInfo
{
    qint32 Index = 0;
    QString Host;
    QString Port;
    QByteArray MaxPlayers = QByteArrayLiteral("0");
    QByteArray CurPlayers = QByteArrayLiteral("0");
    QString Name;
};
