#pragma once

#include "DebugLog.h"
#include "QueryEngine.h"
#include "ServerTable.h"
#include "platform/PlatformServices.h"

class DatagramSocket;

// The server table, the debug log and the query engine on one socket: what
// the window, the command-line query and the tests all run on.
struct QueryStack
{
    QueryStack(DatagramSocket &socket, const PlatformServices &platform, bool debugMode)
        : services(platform)
        , log(debugMode, *platform.localTime)
        , table(log, *services.resolver)
        , engine(table, log, socket, platform)
    {
    }

    PlatformServices services;
    DebugLog log;
    ServerTable table;
    QueryEngine engine;
};
