#include "MainWindow.h"

#include "DebugPage.h"
#include "BuddyWatcher.h"
#include "DiscoveryCommands.h"
#include "HelpCommands.h"
#include "HistoryKeeper.h"
#include "JoinCommands.h"
#include "IconFactory.h"
#include "MainMenus.h"
#include "PlayersView.h"
#include "PollingControls.h"
#include "ReportCommands.h"
#include "ServerPages.h"
#include "ScoreGraphView.h"
#include "ScorePage.h"
#include "ServerInfoView.h"
#include "ServerListView.h"
#include "ServerRowDelegate.h"
#include "StatsPage.h"
#include "SilentDesktop.h"
#include "SplashWindow.h"
#include "StartUpSequence.h"
#include "widgets/SystemColors.h"
#include "TeamScoreStrip.h"
#include "TrayBlinker.h"
#include "config/ConfigFile.h"
#include "config/ListStore.h"
#include "core/DottedAddress.h"
#include "core/PacedWalk.h"
#include "core/PollingDelays.h"
#include "core/QueryStack.h"
#include "core/TitleBar.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "viewlogic/ScoreGraphLayout.h"
#include "viewlogic/ServerInfoRows.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QVBoxLayout>

MainWindow::MainWindow(const Context &context, QWidget *parent)
    : QMainWindow(parent)
    , m_table(context.stack.table)
    , m_engine(context.stack.engine)
    , m_log(context.stack.log)
    , m_messages(context.messages)
    , m_files(context.files)
    , m_config(context.config)
    , m_settings(context.settings)
    , m_profileDirectory(context.profileDirectory)
    , m_lists(std::make_unique<ListStore>(m_config, m_table, m_log, m_messages, m_settings.Buddies))
    , m_poller(new Poller(m_engine, m_table, this))
    , m_startUp(new StartUpSequence(context.stack, m_config, *m_lists, m_settings.RememberServerCheck, this))
    , m_discovery(new DiscoveryCommands(
          {context.stack, *m_lists, m_config, m_messages, m_files, m_settings, context.sockets, context.lanTargets},
          this))
    , m_silent(std::make_unique<SilentDesktop>())
    , m_desktop(m_silent->fill(context.desktop))
    , m_speech(m_desktop.speech)
{
    setObjectName(QStringLiteral("Tfrm_Quorvelin_Main"));
    setWindowTitle(QStringLiteral("Quorvelin"));
    setWindowIcon(IconFactory::applicationIcon());
    resize(900, 560);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildServerListPane());
    m_pages = new ServerPages(
        m_settings, m_log, m_messages, m_profileDirectory, [this](const QByteArray &query) { sendDebugQuery(query); },
        splitter);
    splitter->addWidget(m_pages);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    m_serverInfoDelay = m_pages->serverInfoControls()->slider();
    m_serverInfoUpdate = m_pages->serverInfoControls()->checkBox();
    m_playerInfoDelay = m_pages->playerInfoControls()->slider();
    m_playerInfoUpdate = m_pages->playerInfoControls()->checkBox();

    m_tray = new TrayBlinker(this);
    m_history = new HistoryKeeper(
        {m_table, m_engine, *m_poller, m_messages, *m_pages->historyPage(), m_profileDirectory, m_settings.HistoryDays},
        this);
    buildDesktopCommands(context);
    buildStatusBar();
    buildStatsPage();
    const MainMenus menus = MainMenus::build(this, m_serverList);
    connectMenus(menus);
    buildUpkeepCommands(menus);
    applyViewSettings();

    connect(m_tray, &TrayBlinker::restoreRequested, this, &MainWindow::restoreFromTray);
    connect(m_tray, &TrayBlinker::exitRequested, this, &QWidget::close);

    connect(&m_engine, &QueryEngine::sendFailed, this, &MainWindow::showSendError);
    connect(&m_table, &ServerTable::addressResolved, this, [this](int slot) {
        if (!m_closing)
            m_engine.queryServer(slot);
    });
    connect(&m_table, &ServerTable::addressFailed, this, &MainWindow::showAddressFailure);
    connect(m_startUp, &StartUpSequence::progress, this, [this](const QString &text) {
        if (m_splash)
            m_splash->showProgress(text);
    });
    connect(m_startUp, &StartUpSequence::finished, this, &MainWindow::startUpFinished);
    connect(m_startUp, &StartUpSequence::nameReported, this, &MainWindow::takeReportedName);
    connectPolling();

    m_engine.setSleepTime(static_cast<quint32>(std::max(0, m_settings.SleepTime)));
    m_table.setSortMode(m_settings.serverListSort);
    applyPollingSettings(m_settings.ServerListDelay, m_settings.ServerInfoDelay, m_settings.PlayerInfoDelay,
                         m_settings.ServerInfoUpdate, m_settings.PlayerInfoUpdate);
}

MainWindow::~MainWindow() = default;

QWidget *MainWindow::buildServerListPane()
{
    auto *pane = new QWidget(this);
    m_serverList = new ServerListView(pane);
    m_serverList->setModel(&m_table);
    m_serverList->setItemDelegate(new ServerRowDelegate(m_serverList));
    m_serverList->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_serverList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::refreshSelection);
    connect(m_serverList, &ServerListView::refreshRequested, this, &MainWindow::refreshRow);
    connect(m_serverList, &ServerListView::selectedRowClicked, this, &MainWindow::refreshSelection);

    m_serverListDelay = new QSlider(Qt::Horizontal, pane);
    m_serverListDelay->setObjectName(QStringLiteral("tb_ServerListDelay"));
    m_serverListDelay->setAccessibleName(QStringLiteral("Player scan interval"));
    m_serverListDelay->setRange(PollingDelays::kServerListMin, PollingDelays::kServerListMax);
    m_serverListLabel = new QLabel(pane);
    m_serverListLabel->setObjectName(QStringLiteral("lbl_ServerListUpdate"));

    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_serverList, 1);
    layout->addWidget(m_serverListLabel);
    layout->addWidget(m_serverListDelay);
    return pane;
}

void MainWindow::connectPolling()
{
    connect(m_serverListDelay, &QSlider::valueChanged, this, &MainWindow::serverListDelayChanged);
    connect(m_serverInfoDelay, &QSlider::valueChanged, this, &MainWindow::serverInfoDelayChanged);
    connect(m_playerInfoDelay, &QSlider::valueChanged, this, &MainWindow::playerInfoDelayChanged);
    connect(m_serverInfoUpdate, &QCheckBox::toggled, m_poller, &Poller::setServerInfoUpdate);
    connect(m_playerInfoUpdate, &QCheckBox::toggled, m_poller, &Poller::setPlayerInfoUpdate);

    connect(m_poller, &Poller::serverInfoDue, this, [this] { refreshSelectedOnTimer(Poller::Refresh::ServerInfo); });
    connect(m_poller, &Poller::playerInfoDue, this, [this] { refreshSelectedOnTimer(Poller::Refresh::PlayerInfo); });
    connect(m_poller, &Poller::selectedQueried, this, &MainWindow::selectedQueried);
    connect(m_poller, &Poller::selectedSettled, this, &MainWindow::selectedSettled);
    connect(m_poller, &Poller::playerScanFinished, this, &MainWindow::playerScanFinished);
    connect(m_poller, &Poller::allServersUpdated, this, &MainWindow::allServersUpdated);
}

void MainWindow::applyPollingSettings(int serverListDelay, int serverInfoDelay, int playerInfoDelay,
                                      bool serverInfoUpdate, bool playerInfoUpdate)
{
    const QSignalBlocker a(m_serverListDelay), b(m_serverInfoDelay), c(m_playerInfoDelay);
    m_serverListDelay->setValue(serverListDelay);
    m_serverInfoDelay->setValue(serverInfoDelay);
    m_playerInfoDelay->setValue(playerInfoDelay);
    // Run the handlers even when a value did not change, so labels and timers always follow.
    serverListDelayChanged();
    serverInfoDelayChanged();
    playerInfoDelayChanged();
    const QSignalBlocker d(m_serverInfoUpdate), e(m_playerInfoUpdate);
    m_serverInfoUpdate->setChecked(serverInfoUpdate);
    m_playerInfoUpdate->setChecked(playerInfoUpdate);
    m_poller->setServerInfoUpdate(serverInfoUpdate);
    m_poller->setPlayerInfoUpdate(playerInfoUpdate);
}

void MainWindow::serverListDelayChanged()
{
    const int position = m_serverListDelay->value();
    m_serverListLabel->setText(PollingDelays::serverListDelayLabel(position));
    m_serverListDelay->setAccessibleDescription(m_serverListLabel->text());
    m_poller->setServerListDelay(position);
}

void MainWindow::serverInfoDelayChanged()
{
    const int position = m_serverInfoDelay->value();
    m_pages->serverInfoControls()->setText(PollingDelays::serverInfoDelayLabel(position));
    m_poller->setServerInfoDelay(position);
}

void MainWindow::playerInfoDelayChanged()
{
    const int position = m_playerInfoDelay->value();
    m_pages->playerInfoControls()->setText(PollingDelays::playerInfoDelayLabel(position));
    m_poller->setPlayerInfoDelay(position);
}

void MainWindow::setSplash(SplashWindow *splash)
{
    m_splash = splash;
}

void MainWindow::setStartServers(const QList<ServerAddress> &servers)
{
    m_startUp->setStartServers(servers);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Let the window paint before the first queries go out.
        QTimer::singleShot(0, m_startUp, &StartUpSequence::start);
    } else if (!m_closing) {
        m_table.setSortMode(m_table.serverListSort());
    }
}

void MainWindow::startUpFinished()
{
    if (m_splash)
        m_splash->showProgress(SplashWindow::kCloseText);
    m_table.setSortMode(m_settings.serverListSort);
    if (QAction *checked = m_sortActions.value(m_settings.serverListSort))
        checked->setChecked(true);
    m_poller->startPolling();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closing)
        saveStateOnClose();
    event->accept();
}

void MainWindow::saveStateOnClose()
{
    m_closing = true;
    m_log.silence();
    setWindowTitle(QStringLiteral("Quorvelin closing..."));
    // Nothing runs after the close: no walk goes on, no reply is taken in.
    m_poller->stop();
    m_help->stop();
    m_stats->stop();
    m_report->stop();
    m_discovery->storePendingAdditions();
    for (PacedWalk *walk : findChildren<PacedWalk *>())
        walk->cancel();
    m_engine.stopReceiving();
    m_lists->saveCloseState(Configuration::CloseState{
        m_serverListDelay->value(),
        m_serverInfoDelay->value(),
        m_playerInfoDelay->value(),
        m_serverInfoUpdate->isChecked(),
        m_playerInfoUpdate->isChecked(),
        m_settings.LastVersionChecked,
        m_lists->serverListChecks(m_settings.RememberServerCheck),
    });
    m_tray->stop();
}

bool MainWindow::event(QEvent *event)
{
    // Hints of the controls go to the status bar's hint panel.
    if (event->type() == QEvent::StatusTip) {
        m_hintPanel->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    updateStripHeights();
}

void MainWindow::changeEvent(QEvent *event)
{
    // Each time the window becomes the active one, the speech buffer is said.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_closing)
        m_buddies->speakBuffer();
    // Minimised, the program lives in the tray: no taskbar button.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_tray && m_tray->isAvailable())
        QTimer::singleShot(0, this, &QWidget::hide);
    QMainWindow::changeEvent(event);
}

void MainWindow::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

int MainWindow::selectedSlot() const
{
    const QModelIndexList rows = m_serverList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_table.slotAt(rows.first().row());
}

void MainWindow::fillServerInfoView(int slot)
{
    if (const TUTServer *server = m_table.server(slot)) {
        m_pages->fillServerInfo(*server);
        m_table.syncListCounts(slot);
    }
}

void MainWindow::fillPlayersView(int slot)
{
    if (const TUTServer *server = m_table.server(slot)) {
        m_pages->fillPlayers(*server);
        m_buddies->checkBuddies();
    }
}

void MainWindow::showTeamStrips(int slot)
{
    if (const TUTServer *server = m_table.server(slot)) {
        m_pages->showTeamStrips(*server);
        updateStripHeights();
    }
}

void MainWindow::repaintScoreViews()
{
    m_pages->repaintScoreViews();
}

void MainWindow::updateStripHeights()
{
    m_pages->setStripHeights(height());
}

void MainWindow::updateTitleBar()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    const QString t = TitleBar::format(m_settings.TitleBarFormat, *m_table.entry(slot), *m_table.server(slot));
    setWindowTitle(TitleBar::caption(t));
    m_tray->setHint(TitleBar::trayHint(t));
    m_pages->serverInfoView()->refreshPing(*m_table.server(slot));
}

void MainWindow::refreshSelection()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    fillServerInfoView(slot);
    fillPlayersView(slot);
    showTeamStrips(slot);
    repaintScoreViews();
    updateTitleBar();
    m_history->showServer(slot);
}

void MainWindow::refreshSelectedOnTimer(Poller::Refresh kind)
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_poller->refreshSelected(kind, slot);
}

void MainWindow::selectedQueried(Poller::Refresh kind, int slot)
{
    // What the replies bring shows at the next refresh.
    switch (kind) {
    case Poller::Refresh::ServerInfo: fillServerInfoView(slot); break;
    case Poller::Refresh::PlayerInfo:
        fillPlayersView(slot);
        showTeamStrips(slot);
        repaintScoreViews();
        break;
    case Poller::Refresh::UpdateServerInfo:
    case Poller::Refresh::Count: break;
    }
}

void MainWindow::selectedSettled(Poller::Refresh kind, int slot)
{
    if (kind == Poller::Refresh::UpdateServerInfo) {
        fillServerInfoView(slot);
        fillPlayersView(slot);
        showTeamStrips(slot);
        repaintScoreViews();
        updateTitleBar();
        m_table.resort();
        return;
    }
    updateTitleBar();
}

void MainWindow::playerScanFinished(int netChange)
{
    if (netChange < 0)
        m_tray->startBlink(2);
    else if (netChange > 0)
        m_tray->startBlink(3);
    updateTitleBar();
    refreshSelection();
    m_table.resort();
}

void MainWindow::allServersUpdated()
{
    const int slot = selectedSlot();
    if (slot >= 0) {
        fillServerInfoView(slot);
        fillPlayersView(slot);
        showTeamStrips(slot);
    }
    m_table.resort();
}

void MainWindow::showSendError(const QString &message)
{
    // One box at a time: timers keep ticking while it is open and would
    // otherwise stack up a box for every scan.
    if (m_errorShowing) {
        m_log.log(QStringLiteral("error: ") + message);
        return;
    }
    m_errorShowing = true;
    m_messages.showError(message);
    m_errorShowing = false;
}

void MainWindow::showAddressFailure(int slot)
{
    // The name is looked up again at every walk; the user hears of it once.
    const quint64 item = m_table.itemIdAt(m_table.positionOfSlot(slot));
    if (m_closing || m_addressFailuresShown.contains(item))
        return;
    m_addressFailuresShown.insert(item);
    showSendError(DottedAddress::parse(m_table.server(slot)->Host).error);
}

void MainWindow::updateAllServers()
{
    m_poller->updateAllServers();
}

void MainWindow::updateServerInfo()
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_poller->refreshSelected(Poller::Refresh::UpdateServerInfo, slot);
}

void MainWindow::refreshRow(int row)
{
    const int slot = m_table.slotAt(row);
    if (slot >= 0 && !m_closing)
        m_engine.queryServer(slot);
}

void MainWindow::deleteServer()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    const TServerListInfo entry = *m_table.entry(slot);
    const quint64 itemId = m_table.itemIdAt(m_table.positionOfSlot(slot));
    if (!m_messages.confirm(QStringLiteral("Are you sure you want to delete ") + entry.Name
                            + QStringLiteral(" ?\nThis can not be undone."))) {
        m_serverList->viewport()->update();
        return;
    }
    // The list may have changed while the question was open.
    const int position = m_table.positionOfItemId(itemId);
    if (position < 0)
        return;
    m_log.log(QStringLiteral("Deleting server @ ") + QString::number(position) + QStringLiteral(" with address ")
              + entry.Host + QLatin1Char(':') + entry.Port);
    m_table.removeAt(position);
    m_serverList->viewport()->update();
    m_lists->storeServerList(false);
}

void MainWindow::updateServerName()
{
    const int slot = selectedSlot();
    if (slot >= 0)
        takeReportedName(slot);
}

void MainWindow::takeReportedName(int slot)
{
    const QString name = ServerInfoRows::reportedName(*m_table.server(slot));
    if (name.isEmpty())
        return;
    const TUTServer &server = *m_table.server(slot);
    m_table.setServerAddress(slot, server.Host, server.queryPort(), name);
    m_lists->storeServerList(true);
    updateTitleBar();
}

void MainWindow::editSelectedServer()
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_discovery->editServer(slot);
}

void MainWindow::sendDebugQuery(const QByteArray &query)
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_engine.sendQuery(slot, query);
}
