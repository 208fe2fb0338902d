#include "MainWindow.h"

// The parts of the window that are built once: the status bar, the menus'
// commands and the pages and commands of the desktop, the statistics, the
// reports and the settings.

#include "BuddyWatcher.h"
#include "DebugPage.h"
#include "DeleteKeyGuard.h"
#include "DiscoveryCommands.h"
#include "HelpCommands.h"
#include "HistoryKeeper.h"
#include "JoinCommands.h"
#include "MainMenus.h"
#include "ReportCommands.h"
#include "ScoreGraphView.h"
#include "ScorePage.h"
#include "ServerListView.h"
#include "ServerRowDelegate.h"
#include "SettingsCommands.h"
#include "StatsPage.h"
#include "widgets/SystemColors.h"
#include "TeamScoreStrip.h"
#include "TrayBlinker.h"
#include "config/ListStore.h"
#include "core/QueryStack.h"
#include "launch/VersionCheck.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>

namespace {
const QString kVersionPanelText = QStringLiteral("ver166");
} // namespace

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sb_Info"));
    m_gauge = new QProgressBar(bar);
    m_gauge->setObjectName(QStringLiteral("ProgressGauge"));
    m_gauge->setAccessibleName(QStringLiteral("Progress"));
    m_gauge->setFixedWidth(97);
    m_gauge->setTextVisible(false);
    m_gauge->setValue(0);
    auto *version = new QLabel(kVersionPanelText, bar);
    version->setFixedWidth(50);
    m_hintPanel = new QLabel(bar);
    bar->addWidget(m_gauge);
    bar->addWidget(version);
    bar->addWidget(m_hintPanel, 1);
}

void MainWindow::connectMenus(const MainMenus &menus)
{
    connect(menus.updateAllServers, &QAction::triggered, this, &MainWindow::updateAllServers);
    connect(menus.updateServerInfo, &QAction::triggered, this, &MainWindow::updateServerInfo);
    connect(menus.deleteServer, &QAction::triggered, this, &MainWindow::deleteServer);
    connect(menus.updateName, &QAction::triggered, this, &MainWindow::updateServerName);
    connect(menus.importFromIni, &QAction::triggered, m_discovery, &DiscoveryCommands::importFromIni);
    connect(menus.exit, &QAction::triggered, this, &QWidget::close);
    connect(menus.joinServer, &QAction::triggered, m_join, &JoinCommands::joinSelected);
    m_help = new HelpCommands(m_settings, m_messages, *m_desktop.urls, this);
    connect(menus.masterServer, &QAction::triggered, m_discovery, &DiscoveryCommands::openMasterServer);
    connect(menus.addServer, &QAction::triggered, m_discovery, &DiscoveryCommands::addServer);
    connect(menus.findLanServers, &QAction::triggered, m_discovery, &DiscoveryCommands::findLanServers);
    connect(menus.serverProperties, &QAction::triggered, this, &MainWindow::editSelectedServer);
    connect(m_discovery, &DiscoveryCommands::serverEdited, this, [this](int slot) {
        if (slot == selectedSlot())
            refreshSelection();
    });
    m_sortActions = menus.sortModes->actions();
    connect(menus.sortModes, &QActionGroup::triggered, this,
            [this](QAction *sort) { m_table.setSortMode(sort->data().toInt()); });
}

void MainWindow::buildDesktopCommands(const Context &context)
{
    // Without a voice there is no speech, whatever the switch says.
    m_speech.setActive(m_settings.speechActive());
    m_speech.selectVoice(m_settings.ComputerVoice);
    m_buddies = new BuddyWatcher({*m_lists, m_table, m_messages, m_settings, *m_tray, m_speech, *m_desktop.sound,
                                  *m_desktop.notifier, [this] { return selectedSlot(); },
                                  [] { return QDateTime::currentDateTime(); }},
                                 m_pages->buddiesPage(), m_pages->playersView(), this);
    m_buddies->setHistory(m_history->source());
    connect(&m_engine, &QueryEngine::replyDecoded, m_buddies, &BuddyWatcher::replyDecoded);
    connect(m_poller, &Poller::playerScanFinished, m_buddies, &BuddyWatcher::scanFinished);
    connect(m_buddies, &BuddyWatcher::serverRequested, this, [this](const QString &host, int queryPort) {
        const int position = m_table.positionOfSlot(m_table.slotOfServer(host, queryPort));
        if (position >= 0)
            m_serverList->setCurrentIndex(m_table.index(position));
    });
    connect(m_pages->debugPage(), &DebugPage::sayRequested, m_buddies, &BuddyWatcher::say);
    m_join = new JoinCommands({m_table, m_messages, m_config, m_files, m_settings, *m_desktop.processes,
                               [this] { return selectedSlot(); }, context.wineProgram},
                              this);
    connect(m_serverList, &QAbstractItemView::doubleClicked, m_join, &JoinCommands::joinSelected);
}

void MainWindow::buildStatsPage()
{
    m_stats = new StatsPage({m_messages, *m_desktop.urls, m_settings.NgWorldStats,
                             QDir(m_profileDirectory).filePath(QStringLiteral("ngWorldStats.data"))});
    m_pages->setStatsPage(m_stats);
    // A busy gauge while a rankings page is on its way.
    connect(m_stats, &StatsPage::fetching, this, [this](bool active) { m_gauge->setMaximum(active ? 0 : 1); });
    connect(m_buddies, &BuddyWatcher::lookUpStatsRequested, m_stats, &StatsPage::lookUpPlayer);
    m_stats->addLookUpMenu(m_pages->serverInfoView());
    m_stats->loadStatsFile();
}

void MainWindow::buildUpkeepCommands(const MainMenus &menus)
{
    m_report = new ReportCommands({m_table, m_messages, *m_desktop.processes, *m_desktop.urls,
                                   QCoreApplication::applicationDirPath() + QLatin1Char('/'),
                                   [this] { return selectedSlot(); }},
                                  this);
    m_report->applySettings(m_settings);
    m_settingsCommands =
        new SettingsCommands({m_config, m_settings, m_messages, m_files, *m_desktop.sound, m_desktop.speech, m_speech,
                              m_engine, *m_stats, *m_discovery, *m_report, *m_history, [this] { applyViewSettings(); },
                              [this] { return m_help->versionCheck().lastVersionChecked(); }},
                             this);
    menus.serverMenu->insertAction(menus.exit, m_report->createPageAction());
    menus.serverMenu->insertAction(menus.exit, m_settingsCommands->programOptionsAction());
    menus.serverMenu->insertSeparator(menus.exit);
    m_settingsCommands->loadHotKeys();
    new DeleteKeyGuard(m_serverList, this);
}

void MainWindow::applyViewSettings()
{
    auto *rowDelegate = static_cast<ServerRowDelegate *>(m_serverList->itemDelegate());
    rowDelegate->setLoadColors(SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorBelowHalf)),
                               SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorHalf)),
                               SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorFull)));
    m_pages->applySettings(m_settings);
    updateTitleBar();
    m_serverList->viewport()->update();
    repaintScoreViews();
}
