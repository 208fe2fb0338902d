#pragma once

#include "FakeDatagramSocket.h"
#include "FakePlatform.h"
#include "core/QueryStack.h"

#include <QStringList>

// The query stack on fake services, in debug mode, with every debug line
// collected in lines.
struct FakeEngineStack
{
    explicit FakeEngineStack(bool debugMode = true)
        : stack(socket, platform.services, debugMode)
    {
        QObject::connect(&log, &DebugLog::lineAdded, &log, [this](const QString &line) { lines.append(line); });
    }

    FakePlatform platform;
    FakeDatagramSocket socket;
    QueryStack stack;
    DebugLog &log = stack.log;
    ServerTable &table = stack.table;
    QueryEngine &engine = stack.engine;
    QStringList lines;
};
