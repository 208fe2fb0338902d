#pragma once

#include <QByteArray>

// One team slot of a server, the values as the server sent them.
struct TTeamRecord
{
    QByteArray Name;
    QByteArray Score;
    QByteArray Size;
};
