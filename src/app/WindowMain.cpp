#include "WindowMain.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "core/DebugLog.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "mainwindow/SplashWindow.h"
#include "mainwindow/Tfrm_Quorvelin_Main.h"
#include "platform/LocalSocketSingleInstance.h"
#include "platform/QtMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"

#include <QApplication>
#include <QDir>

namespace {
constexpr quint16 kDefaultLocalPort = 65000;
constexpr quint32 kDefaultSleepTime = 20;
}

extern "C" Q_DECL_EXPORT int quorvelinWindowMain(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvelin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvelin"));
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());

    const QString profile = AppPaths::profileDirectory(commandLine.profile, QCoreApplication::applicationDirPath(),
                                                       AppPaths::userConfigDirectory());
    QDir().mkpath(profile);

    LocalSocketSingleInstance instance(profile);
    if (!instance.claim())
        return 0;

    auto *splash = new SplashWindow;
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    RunState state;
    state.DebugMode = commandLine.debugMode;
    QtMessageBoxes messages;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;

    DebugLog log(state, platform.localTime);
    ServerTable table(log, platform.resolver);
    QueryEngine engine(state, table, log, socket, platform.services);
    engine.SleepTime = kDefaultSleepTime;

    Tfrm_Quorvelin_Main window({state, table, engine, log, messages, profile});
    messages.setParentWidget(&window);
    window.setSplash(splash);
    QList<Tfrm_Quorvelin_Main::StartServer> startServers;
    for (const CommandLine::Server &server : commandLine.servers)
        startServers.append({server.address, server.port});
    window.setStartServers(startServers);

    splash->showProgress(QStringLiteral("Loading config"));
    QString bindError;
    if (!engine.bindMain(kDefaultLocalPort, &bindError))
        messages.showError(QStringLiteral("Cannot open UDP port %1 for the server queries: %2")
                               .arg(kDefaultLocalPort)
                               .arg(bindError));

    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });

    window.show();
    return app.exec();
}
