#include "WindowMain.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "ProcessExit.h"
#include "VersionText.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "core/QueryStack.h"
#include "mainwindow/ApplicationIdentity.h"
#include "mainwindow/DesktopNotifications.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/SplashWindow.h"
#include "platform/AtomicFile.h"
#include "platform/LazyMedia.h"
#include "platform/LocalSocketSingleInstance.h"
#include "platform/MediaModule.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtProcessLauncher.h"
#include "platform/QtUrlOpener.h"
#include "platform/SystemGameLocator.h"
#include "platform/SystemPlatform.h"
#include "platform/TerminationSignals.h"
#include "platform/UdpDatagramSocket.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

void bindMainSocket(QueryEngine &engine, const Settings &settings, MessageBoxes &messages)
{
    QString bindError;
    const auto localPort = static_cast<quint16>(settings.LocalPort);
    if (settings.LocalPort < 0 || settings.LocalPort > 65535 || !engine.bindMain(localPort, &bindError))
        messages.showError(QStringLiteral("Cannot open UDP port %1 for the server queries: %2\n"
                                          "Replies come to a port of the system's choosing instead.")
                               .arg(settings.LocalPort)
                               .arg(bindError.isEmpty() ? QStringLiteral("not a port number") : bindError));
}

// Everything the window mode runs on; it is all gone when this returns.
int runWindow(const CommandLine &commandLine)
{
    const QString profile = AppPaths::profileDirectory(commandLine.profile, QCoreApplication::applicationDirPath(),
                                                       AppPaths::userConfigDirectory());
    QDir().mkpath(profile);

    LocalSocketSingleInstance instance(profile);
    if (!instance.claim())
        return 0;
    // A save cut short by a kill may have left its temporary copy behind.
    removeStaleTemporaryFiles(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")));

    // Painted as soon as the event loop runs, with the start-up's progress under it.
    auto *splash = new SplashWindow;
    splash->show();

    QtMessageBoxes messages;
    QtFileDialogs files;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;

    splash->showProgress(QStringLiteral("Loading config"));
    ConfigFile config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), messages);
    Settings settings = Configuration::loadConfiguration(config.read(), profile + QLatin1Char('/'));
    // Kept in memory only: the file gets it when the user confirms the settings.
    if (settings.UTBaseDir.isEmpty())
        settings.UTBaseDir = SystemGameLocator().findBaseDirectory();

    QueryStack stack(socket, platform.services, commandLine.debugMode);
    LanSearchTargets lanTargets;
    lanTargets.broadcastAddresses =
        commandLine.lanBroadcast.isEmpty() ? Beacon::localBroadcastAddresses() : QStringList{commandLine.lanBroadcast};
    // Speech, sound and the session bus's notifications come from a module
    // of their own, loaded when one of them is first used.
    MediaModule media(MediaModule::standardLocations(QCoreApplication::applicationDirPath()));
    LazySpeechEngine speech([&media] { return media.createSpeechEngine(); });
    LazySoundPlayer sound([&media] { return media.createSoundPlayer(); });
    LazyDesktopNotifier sessionBus([&media] { return media.createDesktopNotifier(); });
    DesktopNotifications notifications(sessionBus);
    QtUrlOpener urls;
    QtProcessLauncher processes;
    MainWindow window({stack, messages, files, config, settings, profile, nullptr, lanTargets,
                       DesktopServices{&speech, &sound, &notifications, &urls, &processes},
                       QStandardPaths::findExecutable(QStringLiteral("wine"))});
    notifications.setTray(window.tray());
    messages.setParentWidget(&window);
    files.setParentWidget(&window);
    window.setSplash(splash);
    window.setStartServers(commandLine.servers);
    bindMainSocket(stack.engine, settings, messages);

    // Logout, shutdown and kill end the program through the same close as the
    // window. Nobody is there to answer a box, so none is shown, and the
    // loops of boxes already open end too.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&messages, &window] {
        messages.stopAsking();
        window.close();
        QCoreApplication::exit(0);
    });

    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });

    window.show();
    return QApplication::exec();
}

} // namespace

extern "C" Q_DECL_EXPORT int quorvelinWindowMain(int argc, char **argv)
{
    QApplication app(argc, argv);
    applyApplicationIdentity();
    // The About box shows it.
    QApplication::setApplicationVersion(versionText());
    exitWithoutWaiting(runWindow(CommandLine::parse(QCoreApplication::arguments())));
}
