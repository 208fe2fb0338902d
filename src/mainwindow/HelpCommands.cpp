#include "HelpCommands.h"

#include "config/Settings.h"
#include "core/ProgramVersion.h"
#include "launch/HelpFiles.h"
#include "launch/VersionAnswer.h"
#include "launch/VersionCheck.h"
#include "platform/MessageBoxes.h"
#include "platform/UrlOpener.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

struct Link
{
    const char *caption;
    const char *address;
};

const Link kLinks[] = {
    {"OldUnreal: patches for Unreal Tournament", "https://www.oldunreal.com/"},
    {"333networks: master server and server list", "https://333networks.com/"},
    {"Unreal Tournament on Wikipedia", "https://en.wikipedia.org/wiki/Unreal_Tournament"},
};

QAction *newAction(QObject *parent, const char *caption, const char *name, const QKeySequence &shortcut,
                   const char *hint)
{
    auto *action = new QAction(QString::fromLatin1(caption), parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setStatusTip(QString::fromLatin1(hint));
    return action;
}

} // namespace

HelpCommands::HelpCommands(Settings &settings, MessageBoxes &messages, UrlOpener &urls, QMainWindow *window)
    : QObject(window)
    , m_settings(settings)
    , m_messages(messages)
    , m_urls(urls)
    , m_versionCheck(
          new VersionCheck({settings.VersionServer1, settings.VersionServer2}, settings.LastVersionChecked, this))
{
    buildMenu(window);
    connect(m_versionCheck, &VersionCheck::newerVersion, this, &HelpCommands::offerDownload);
    connect(m_versionCheck, &VersionCheck::latestRunning, this, [this](const QString &version) {
        m_messages.showInformation(QStringLiteral("You are running the latest version of Quorvelin.\n"
                                                  "Your version: \t\t%1\nDownload version: \t%2")
                                       .arg(ProgramVersion::kCurrent)
                                       .arg(version));
    });
    connect(m_versionCheck, &VersionCheck::unavailable, this, [this] {
        m_messages.showError(QStringLiteral("Could not retreive information from the version database servers."));
    });
    m_versionCheck->armStartUpCheck(settings.CheckVersionAtStartUp);
}

HelpCommands::~HelpCommands() = default;

void HelpCommands::buildMenu(QMainWindow *window)
{
    QMenu *help = window->menuBar()->addMenu(QStringLiteral("&Help"));
    QAction *guide = newAction(window, "&Help", "mi_Help2", QKeySequence(Qt::Key_F1), "View the help");
    QAction *readme =
        newAction(window, "&Readme", "mi_Readme", QKeySequence(Qt::CTRL | Qt::Key_R), "Read the readme file");
    QAction *history = newAction(window, "&Version history", "mi_Versionhistory", QKeySequence(Qt::CTRL | Qt::Key_V),
                                 "Display the version history");
    QAction *check = newAction(window, "Check for new version", "mi_CheckForNewVersion", {}, "");
    QAction *about = newAction(window, "&About...", "mi_About", QKeySequence(Qt::Key_F12), "About Quorvelin");
    connect(guide, &QAction::triggered, this, [this] { openHelpFile(QStringLiteral("help/index.html")); });
    connect(readme, &QAction::triggered, this, [this] { openHelpFile(QStringLiteral("readme.txt")); });
    connect(history, &QAction::triggered, this, [this] { openHelpFile(QStringLiteral("version.txt")); });
    connect(check, &QAction::triggered, m_versionCheck, &VersionCheck::checkNow);
    connect(about, &QAction::triggered, this, [this] {
        // The build's full version (with its source revision) under the release number.
        const QString build = QCoreApplication::applicationVersion();
        m_messages.showInformation(
            QStringLiteral("Quorvelin version %1\n%2\nWho is playing where: a server monitor for "
                           "Unreal Tournament.\nhttps://quorvelin.org/")
                .arg(ProgramVersion::kCurrent)
                .arg(build.isEmpty() ? QString() : build + QLatin1Char('\n')));
    });

    QMenu *links = new QMenu(QStringLiteral("Links"), window);
    links->setObjectName(QStringLiteral("mi_Links"));
    links->menuAction()->setStatusTip(QStringLiteral("Links tot internet sites"));
    for (const Link &link : kLinks) {
        QAction *entry = links->addAction(QString::fromLatin1(link.caption));
        // The entry's hint is where it leads.
        entry->setStatusTip(QString::fromLatin1(link.address));
        connect(entry, &QAction::triggered, this, [this, entry] { m_urls.open(QUrl(entry->statusTip())); });
    }
    help->addAction(guide);
    help->addAction(readme);
    help->addAction(history);
    help->addMenu(links);
    help->addSeparator();
    help->addAction(check);
    help->addSeparator();
    help->addAction(about);
}

void HelpCommands::openHelpFile(const QString &relativePath)
{
    const QString path = HelpFiles::locate(relativePath, QCoreApplication::applicationDirPath());
    if (!path.isEmpty())
        m_urls.open(QUrl::fromLocalFile(path));
}

void HelpCommands::offerDownload(const QString &version, const QString &address)
{
    m_settings.LastVersionChecked = m_versionCheck->lastVersionChecked();
    const bool yes = m_messages.confirm(QStringLiteral("Version %1 of Quorvelin is out.\n"
                                                       "You are currently using version %2.\n"
                                                       "Do you want to go to the homepage to download the latest "
                                                       "version ?")
                                            .arg(version)
                                            .arg(ProgramVersion::kCurrent));
    // Only a web address is opened; a reply cannot make the desktop run anything else.
    if (yes && VersionAnswer::isDownloadAddress(address))
        m_urls.open(QUrl(address));
}

void HelpCommands::stop()
{
    m_versionCheck->stop();
    m_settings.LastVersionChecked = m_versionCheck->lastVersionChecked();
}
