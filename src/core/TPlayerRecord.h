#pragma once

#include <QByteArray>

// One player slot of a server, the values as the server sent them.
struct TPlayerRecord
{
    QByteArray Name;
    QByteArray Frags;
    QByteArray Ping;
    QByteArray Team;
    QByteArray Mesh;
    QByteArray Skin;
    QByteArray Face;
    QByteArray NgSecret;
};
