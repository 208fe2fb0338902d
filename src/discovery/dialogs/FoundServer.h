#pragma once

#include <QString>

// A server a search dialog found and the user ticked, as the main list adds it.
struct FoundServer
{
    QString address;
    int port = 0;
    QString name;
};
