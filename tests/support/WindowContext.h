#pragma once

#include "FakeEngineStack.h"
#include "mainwindow/MainWindow.h"

// The main window's context on a test's fakes: real sockets for the search
// dialogs, the default LAN targets and no program for Windows executables
// unless given.
inline MainWindow::Context windowContext(FakeEngineStack &fakes, ConfigFile &config, const Settings &settings,
                                         const QString &profile, const DesktopServices &desktop = {},
                                         const QString &wineProgram = QString())
{
    return MainWindow::Context{fakes.stack,
                               fakes.platform.messages,
                               fakes.platform.files,
                               config,
                               settings,
                               profile,
                               nullptr,
                               LanSearchTargets{},
                               desktop,
                               wineProgram};
}
