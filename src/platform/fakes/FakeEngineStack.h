#pragma once

#include "FakeDatagramSocket.h"
#include "FakePlatform.h"
#include "core/DebugLog.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"

#include <QStringList>

// The engine and its table on fake services, in debug mode, with every
// debug line collected in lines.
struct FakeEngineStack
{
    FakeEngineStack()
    {
        state.DebugMode = true;
        QObject::connect(&log, &DebugLog::lineAdded, &log, [this](const QString &line) { lines.append(line); });
    }

    RunState state;
    FakePlatform platform;
    FakeDatagramSocket socket;
    DebugLog log{state, platform.localTime};
    ServerTable table{log, platform.resolver};
    QueryEngine engine{state, table, log, socket, platform.services};
    QStringList lines;
};
