#pragma once

#include "core/ServerAddress.h"

#include <QList>
#include <QString>
#include <QStringList>

// The program's arguments. "-debug" counts only as the first argument;
// "--query" switches to the window-less query and takes every argument
// after it; "--json" outside it goes with "--history".
struct CommandLine
{
    bool debugMode = false;
    bool queryMode = false;
    bool masterMode = false;
    bool reportMode = false;
    // "--history ADDRESS:QUERYPORT": print what the history holds of that server.
    bool historyMode = false;
    ServerAddress historyServer;
    bool json = false;
    bool help = false;
    bool version = false;
    QString profile;
    QList<ServerAddress> servers;
    QStringList queryArguments;
    QStringList masterArguments;
    // Where the LAN search asks instead of the local network's broadcast addresses.
    QString lanBroadcast;
    QString error;

    static CommandLine parse(const QStringList &arguments);
    // The process's arguments as text, the program first.
    static QStringList arguments(int argc, char **argv);
    static QString usage();
};
