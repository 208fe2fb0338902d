#include "WindowMain.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "core/DebugLog.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "mainwindow/SplashWindow.h"
#include "mainwindow/Tfrm_Quorvelin_Main.h"
#include "platform/LocalSocketSingleInstance.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtMessageBoxes.h"
#include "platform/SystemGameLocator.h"
#include "platform/SystemPlatform.h"
#include "platform/TerminationSignals.h"
#include "platform/UdpDatagramSocket.h"

#include <QApplication>
#include <QDir>

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
    QtFileDialogs files;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;

    splash->showProgress(QStringLiteral("Loading config"));
    ConfigFile config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), messages);
    Settings settings = Configuration::LoadConfiguration(config.read(), profile + QLatin1Char('/'));
    // Kept in memory only: the file gets it when the user confirms the settings.
    if (settings.UTBaseDir.isEmpty())
        settings.UTBaseDir = SystemGameLocator().findBaseDirectory();

    DebugLog log(state, platform.localTime);
    ServerTable table(log, platform.resolver);
    QueryEngine engine(state, table, log, socket, platform.services);

    Tfrm_Quorvelin_Main window({state, table, engine, log, messages, files, config, settings, profile});
    messages.setParentWidget(&window);
    files.setParentWidget(&window);
    window.setSplash(splash);
    QList<Tfrm_Quorvelin_Main::StartServer> startServers;
    for (const CommandLine::Server &server : commandLine.servers)
        startServers.append({server.address, server.port});
    window.setStartServers(startServers);

    QString bindError;
    const auto localPort = static_cast<quint16>(settings.LocalPort);
    if (settings.LocalPort < 0 || settings.LocalPort > 65535 || !engine.bindMain(localPort, &bindError))
        messages.showError(QStringLiteral("Cannot open UDP port %1 for the server queries: %2\n"
                                          "Replies come to a port of the system's choosing instead.")
                               .arg(settings.LocalPort)
                               .arg(bindError.isEmpty() ? QStringLiteral("not a port number") : bindError));

    // Logout, shutdown and kill end the program through the same close as the window.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, &QWidget::close);

    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });

    window.show();
    return app.exec();
}
