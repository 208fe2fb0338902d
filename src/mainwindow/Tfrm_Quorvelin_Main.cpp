#include "Tfrm_Quorvelin_Main.h"

#include "DebugPage.h"
#include "IconFactory.h"
#include "PlayersView.h"
#include "PollingControls.h"
#include "ScoreGraphLayout.h"
#include "ScoreGraphView.h"
#include "ScorePage.h"
#include "ServerInfoView.h"
#include "ServerListView.h"
#include "ServerRowDelegate.h"
#include "SplashWindow.h"
#include "SystemColors.h"
#include "TeamScoreStrip.h"
#include "TrayBlinker.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/FavoritesImport.h"
#include "config/StoredServers.h"
#include "core/DebugLog.h"
#include "core/PollingDelays.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "core/TitleBar.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kVersionPanelText = QStringLiteral("ver166");

const char *const kSortCaptions[] = {
    "Sort by name (ascending)",
    "Sort by name (descending)",
    "Sort by current players (ascending)",
    "Sort by current players (descending)",
    "Sort by maximum players (ascending)",
    "Sort by maximum players (descending)",
    "Sort by ping (ascending)",
    "Sort by ping (descending)",
};

} // namespace

Tfrm_Quorvelin_Main::Tfrm_Quorvelin_Main(const Context &context, QWidget *parent)
    : QMainWindow(parent)
    , m_state(context.state)
    , m_table(context.table)
    , m_engine(context.engine)
    , m_log(context.log)
    , m_messages(context.messages)
    , m_files(context.files)
    , m_config(context.config)
    , m_settings(context.settings)
    , m_buddies(context.settings.Buddies)
    , m_profileDirectory(context.profileDirectory)
{
    setObjectName(QStringLiteral("Tfrm_Quorvelin_Main"));
    setWindowTitle(QStringLiteral("Quorvelin"));
    resize(900, 560);

    setWindowIcon(IconFactory::applicationIcon());

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildServerListPane());

    m_pages = new QTabWidget(splitter);
    auto *serverInfoControls = new PollingControls(QStringLiteral("ServerInfo"), PollingDelays::kServerInfoMin,
                                                   PollingDelays::kServerInfoMax, this);
    auto *playerInfoControls = new PollingControls(QStringLiteral("PlayerInfo"), PollingDelays::kPlayerInfoMin,
                                                   PollingDelays::kPlayerInfoMax, this);
    tb_ServerInfoDelay = serverInfoControls->slider();
    cb_ServerInfoUpdate = serverInfoControls->checkBox();
    lbl_ServerInfoUpdate = serverInfoControls->label();
    tb_PlayerInfoDelay = playerInfoControls->slider();
    cb_PlayerInfoUpdate = playerInfoControls->checkBox();
    lbl_PlayerInfoUpdate = playerInfoControls->label();

    lv_ServerInfo = new ServerInfoView(this);
    lv_Players = new PlayersView(this);
    pbx_TeamScore = new TeamScoreStrip(QStringLiteral("pbx_TeamScore"), this);
    pbx_TeamScore->hide();
    connect(lv_Players, &PlayersView::addBuddyRequested, this, &Tfrm_Quorvelin_Main::AddBuddy);
    m_pages->addTab(buildPage(QStringLiteral("ts_ServerInfo"), nullptr, lv_ServerInfo, serverInfoControls),
                    QStringLiteral("Server Info"));
    ts_Players = buildPage(QStringLiteral("ts_Players"), pbx_TeamScore, lv_Players, playerInfoControls);
    m_pages->addTab(ts_Players, QStringLiteral("Players"));
    m_scorePage = new ScorePage(this);
    m_scorePage->setDefaultFontSize(m_settings.DefaultFontSize);
    m_pages->addTab(m_scorePage, QStringLiteral("Score graph"));
    // Filled by the buddy watcher and by the statistics rankings.
    auto *buddies = new QWidget(this);
    buddies->setObjectName(QStringLiteral("ts_Buddies"));
    m_pages->addTab(buddies, QStringLiteral("Buddies"));
    auto *stats = new QWidget(this);
    stats->setObjectName(QStringLiteral("ts_Stats"));
    m_pages->addTab(stats, QStringLiteral("ngWorldStats"));
    connect(m_pages, &QTabWidget::currentChanged, this, &Tfrm_Quorvelin_Main::RepaintScoreViews);
    ts_Players->installEventFilter(this);
    m_scorePage->installEventFilter(this);

    m_debugPage = new DebugPage(m_profileDirectory, m_messages,
                                [this](const QByteArray &query) { sendDebugQuery(query); }, m_pages);
    if (m_state.DebugMode) {
        m_pages->addTab(m_debugPage, QStringLiteral("debug"));
        m_debugPage->loadQueryList();
        connect(&m_log, &DebugLog::lineAdded, m_debugPage, &DebugPage::appendLine);
    } else {
        m_debugPage->hide();
    }
    m_pages->setCurrentIndex(0);
    splitter->addWidget(m_pages);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    connect(tb_ServerListDelay, &QSlider::valueChanged, this, &Tfrm_Quorvelin_Main::tb_ServerListDelayChange);
    connect(tb_ServerInfoDelay, &QSlider::valueChanged, this, &Tfrm_Quorvelin_Main::tb_ServerInfoDelayChange);
    connect(tb_PlayerInfoDelay, &QSlider::valueChanged, this, &Tfrm_Quorvelin_Main::tb_PlayerInfoDelayChange);
    connect(cb_ServerInfoUpdate, &QCheckBox::toggled, this, [this](bool on) { m_engine.setServerInfoUpdate(on); });
    connect(cb_PlayerInfoUpdate, &QCheckBox::toggled, this, [this](bool on) { m_engine.setPlayerInfoUpdate(on); });

    buildMenus();
    buildStatusBar();
    applyLook();

    ti_Blinker = new TrayBlinker(this);
    connect(ti_Blinker, &TrayBlinker::restoreRequested, this, &Tfrm_Quorvelin_Main::restoreFromTray);
    connect(ti_Blinker, &TrayBlinker::exitRequested, this, &QWidget::close);
    m_engine.SleepTime = static_cast<quint32>(std::max(0, m_settings.SleepTime));
    m_table.SetSortMode(m_settings.serverListSort);
    applyPollingSettings(m_settings.ServerListDelay, m_settings.ServerInfoDelay, m_settings.PlayerInfoDelay,
                         m_settings.ServerInfoUpdate, m_settings.PlayerInfoUpdate);

    m_engine.setHost(this);
    qApp->installEventFilter(this);
}

Tfrm_Quorvelin_Main::~Tfrm_Quorvelin_Main()
{
    m_engine.setHost(nullptr);
}

QWidget *Tfrm_Quorvelin_Main::buildServerListPane()
{
    auto *pane = new QWidget(this);
    clb_Servers = new ServerListView(pane);
    clb_Servers->setModel(&m_table);
    m_rowDelegate = new ServerRowDelegate(clb_Servers);
    clb_Servers->setItemDelegate(m_rowDelegate);
    clb_Servers->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(clb_Servers->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Tfrm_Quorvelin_Main::SelectionRefresh);
    connect(clb_Servers, &ServerListView::refreshRequested, this, &Tfrm_Quorvelin_Main::refreshRow);

    tb_ServerListDelay = new QSlider(Qt::Horizontal, pane);
    tb_ServerListDelay->setObjectName(QStringLiteral("tb_ServerListDelay"));
    tb_ServerListDelay->setRange(PollingDelays::kServerListMin, PollingDelays::kServerListMax);
    lbl_ServerListUpdate = new QLabel(pane);
    lbl_ServerListUpdate->setObjectName(QStringLiteral("lbl_ServerListUpdate"));

    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(clb_Servers, 1);
    layout->addWidget(lbl_ServerListUpdate);
    layout->addWidget(tb_ServerListDelay);
    return pane;
}

QWidget *Tfrm_Quorvelin_Main::buildPage(const QString &name, QWidget *strip, QWidget *view, PollingControls *controls)
{
    auto *page = new QWidget(this);
    page->setObjectName(name);
    auto *layout = new QVBoxLayout(page);
    if (strip)
        layout->addWidget(strip);
    layout->addWidget(view, 1);
    layout->addWidget(controls);
    return page;
}

void Tfrm_Quorvelin_Main::applyLook()
{
    m_rowDelegate->setLoadColors(SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorBelowHalf)),
                                 SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorHalf)),
                                 SystemColors::fromPlatform(static_cast<quint32>(m_settings.LoadColorFull)));
    const PaintOptions graph{m_settings.PaintFrameGraph, m_settings.Paint3DFrameGraph, m_settings.PaintThickGraph};
    const PaintOptions team{m_settings.PaintFrameTeam, m_settings.Paint3DFrameTeam, m_settings.PaintThickTeam};
    m_scorePage->graph()->setOptions(graph, m_settings.MinBarWidth);
    m_scorePage->teamStrip()->setOptions(team);
    pbx_TeamScore->setOptions(team);
}

void Tfrm_Quorvelin_Main::buildMenus()
{
    QMenu *serverMenu = menuBar()->addMenu(QStringLiteral("&Server"));

    auto *updateAll = new QAction(QStringLiteral("Update all servers"), this);
    updateAll->setObjectName(QStringLiteral("mi_UpdateAllServers"));
    updateAll->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    connect(updateAll, &QAction::triggered, this, &Tfrm_Quorvelin_Main::mi_UpdateAllServersClick);

    auto *updateInfo = new QAction(QStringLiteral("Update server info"), this);
    updateInfo->setObjectName(QStringLiteral("mi_UpdateServerInfo"));
    updateInfo->setShortcut(QKeySequence(Qt::Key_F5));
    connect(updateInfo, &QAction::triggered, this, &Tfrm_Quorvelin_Main::mi_UpdateServerInfoClick);

    auto *deleteServer = new QAction(QStringLiteral("Delete server"), this);
    deleteServer->setObjectName(QStringLiteral("mi_Deleteserver"));
    deleteServer->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(deleteServer, &QAction::triggered, this, &Tfrm_Quorvelin_Main::mi_DeleteserverClick);

    auto *updateName = new QAction(QStringLiteral("Update server name"), this);
    updateName->setObjectName(QStringLiteral("mi_UpdateName"));
    connect(updateName, &QAction::triggered, this, &Tfrm_Quorvelin_Main::mi_UpdateNameClick);

    auto *importFromIni = new QAction(QStringLiteral("Import from ini"), this);
    importFromIni->setObjectName(QStringLiteral("mi_ImportFromIni"));
    importFromIni->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(importFromIni, &QAction::triggered, this, &Tfrm_Quorvelin_Main::mi_ImportFromIniClick);

    QMenu *sortMenu = new QMenu(QStringLiteral("Sort server list"), this);
    m_sortGroup = new QActionGroup(this);
    m_sortGroup->setExclusive(true);
    for (int mode = 0; mode < ServerTable::SortModeCount; ++mode) {
        QAction *sort = sortMenu->addAction(QString::fromLatin1(kSortCaptions[mode]));
        sort->setCheckable(true);
        sort->setData(mode);
        m_sortGroup->addAction(sort);
        connect(sort, &QAction::triggered, this, [this, mode] { m_table.SetSortMode(mode); });
    }

    auto *exitAction = new QAction(QStringLiteral("Exit"), this);
    connect(exitAction, &QAction::triggered, this, &QWidget::close);

    serverMenu->addAction(updateAll);
    serverMenu->addAction(updateInfo);
    serverMenu->addSeparator();
    serverMenu->addAction(deleteServer);
    serverMenu->addAction(updateName);
    serverMenu->addAction(importFromIni);
    serverMenu->addMenu(sortMenu);
    serverMenu->addSeparator();
    serverMenu->addAction(exitAction);

    clb_Servers->addAction(updateAll);
    clb_Servers->addAction(updateInfo);
    clb_Servers->addAction(deleteServer);
    clb_Servers->addAction(updateName);
}

void Tfrm_Quorvelin_Main::buildStatusBar()
{
    QStatusBar *sb_Info = statusBar();
    ProgressGauge = new QProgressBar(sb_Info);
    ProgressGauge->setFixedWidth(97);
    ProgressGauge->setTextVisible(false);
    ProgressGauge->setValue(0);
    auto *version = new QLabel(kVersionPanelText, sb_Info);
    version->setFixedWidth(50);
    m_hintPanel = new QLabel(sb_Info);
    sb_Info->addWidget(ProgressGauge);
    sb_Info->addWidget(version);
    sb_Info->addWidget(m_hintPanel, 1);
}

void Tfrm_Quorvelin_Main::applyPollingSettings(int serverListDelay, int serverInfoDelay, int playerInfoDelay,
                                               bool serverInfoUpdate, bool playerInfoUpdate)
{
    const QSignalBlocker a(tb_ServerListDelay), b(tb_ServerInfoDelay), c(tb_PlayerInfoDelay);
    tb_ServerListDelay->setValue(serverListDelay);
    tb_ServerInfoDelay->setValue(serverInfoDelay);
    tb_PlayerInfoDelay->setValue(playerInfoDelay);
    // Run the handlers even when a value did not change, so labels and timers always follow.
    tb_ServerListDelayChange();
    tb_ServerInfoDelayChange();
    tb_PlayerInfoDelayChange();
    cb_ServerInfoUpdate->setChecked(serverInfoUpdate);
    cb_PlayerInfoUpdate->setChecked(playerInfoUpdate);
    m_engine.setServerInfoUpdate(serverInfoUpdate);
    m_engine.setPlayerInfoUpdate(playerInfoUpdate);
}

void Tfrm_Quorvelin_Main::tb_ServerListDelayChange()
{
    const int position = tb_ServerListDelay->value();
    lbl_ServerListUpdate->setText(PollingDelays::ServerListDelayLabel(position));
    m_engine.setServerListDelay(position);
}

void Tfrm_Quorvelin_Main::tb_ServerInfoDelayChange()
{
    const int position = tb_ServerInfoDelay->value();
    lbl_ServerInfoUpdate->setText(PollingDelays::ServerInfoDelayLabel(position));
    m_engine.setServerInfoDelay(position);
}

void Tfrm_Quorvelin_Main::tb_PlayerInfoDelayChange()
{
    const int position = tb_PlayerInfoDelay->value();
    lbl_PlayerInfoUpdate->setText(PollingDelays::PlayerInfoDelayLabel(position));
    m_engine.setPlayerInfoDelay(position);
}

void Tfrm_Quorvelin_Main::setSplash(SplashWindow *splash)
{
    m_splash = splash;
}

void Tfrm_Quorvelin_Main::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // Let the window paint before the first queries go out.
        QTimer::singleShot(0, this, &Tfrm_Quorvelin_Main::firstShow);
    } else if (!m_state.ShuttingDown) {
        m_table.SetSortMode(m_table.serverListSort());
    }
}

void Tfrm_Quorvelin_Main::firstShow()
{
    LoadServerList();
    if (m_state.ShuttingDown)
        return;
    RestoreServerChecks();
    if (m_splash)
        m_splash->showProgress(SplashWindow::kCloseText);
    m_table.SetSortMode(m_settings.serverListSort);
    if (QAction *checked = m_sortGroup->actions().value(m_settings.serverListSort))
        checked->setChecked(true);
    m_engine.startPolling();
}

void Tfrm_Quorvelin_Main::LoadServerList()
{
    for (const StoredServers::Entry &stored : StoredServers::LoadServerList(m_config.read())) {
        if (m_table.AddServer(stored.address, stored.port, stored.name) >= ServerTable::kSlotCount)
            break;
    }
    // Servers named on the command line join the list, checked, unless it holds them.
    bool added = false;
    for (const StartServer &start : std::as_const(m_startServers)) {
        int position = m_table.positionOfSlot(m_table.slotOfServer(start.address, start.port));
        if (position < 0) {
            const int slot = m_table.AddServer(start.address, start.port, QString());
            if (slot >= ServerTable::kSlotCount)
                break;
            position = m_table.positionOfSlot(slot);
            added = true;
        }
        m_table.setChecked(position, true);
    }
    if (added)
        storeServerList(true);

    const QList<quint64> walk = m_table.itemIds();
    for (qsizetype i = 0; i < walk.size(); ++i) {
        if (m_state.ShuttingDown)
            return;
        const int position = m_table.positionOfItemId(walk[i]);
        if (position < 0)
            continue;
        if (m_splash)
            m_splash->showProgress(QStringLiteral("Quering servers : %1%").arg((i + 1) * 100 / walk.size()));
        if (!m_engine.QueryServer(m_table.slotAt(position)))
            break;
        m_engine.WaitPumping(m_engine.SleepTime);
    }
}

void Tfrm_Quorvelin_Main::RestoreServerChecks()
{
    if (!m_settings.RememberServerCheck)
        return;
    for (int position : StoredServers::RestoreServerChecks(m_config.read()))
        m_table.setChecked(position, true);
}

void Tfrm_Quorvelin_Main::storeServerList(bool sortFirst)
{
    m_config.write([&](IniFile &ini, QString *error) {
        return sortFirst ? StoredServers::RebuildServerConfig(ini, m_table, m_log, error)
                         : StoredServers::rewriteServers(ini, m_table, error);
    });
}

void Tfrm_Quorvelin_Main::closeEvent(QCloseEvent *event)
{
    if (!m_state.ShuttingDown)
        SaveStateOnClose();
    event->accept();
}

void Tfrm_Quorvelin_Main::SaveStateOnClose()
{
    m_state.ShuttingDown = true;
    setWindowTitle(QStringLiteral("Quorvelin closing..."));
    const Configuration::CloseState close{
        tb_ServerListDelay->value(),
        tb_ServerInfoDelay->value(),
        tb_PlayerInfoDelay->value(),
        cb_ServerInfoUpdate->isChecked(),
        cb_PlayerInfoUpdate->isChecked(),
        m_settings.LastVersionChecked,
        StoredServers::ServerListChecks(m_table, m_settings.RememberServerCheck),
    };
    m_config.write([&](IniFile &ini, QString *) {
        Configuration::SaveStateOnClose(ini, close);
        return true;
    });
    m_engine.stopTimers();
    ti_Blinker->stop();
}

bool Tfrm_Quorvelin_Main::eventFilter(QObject *watched, QEvent *event)
{
    // Del deletes a server only from the server list; elsewhere the key
    // belongs to the focused control.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier
            && QApplication::focusWidget() != clb_Servers && isAncestorOf(QApplication::focusWidget())) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::Resize && (watched == ts_Players || watched == m_scorePage))
        updateStripHeights();
    if (event->type() == QEvent::StatusTip && (watched == this || isAncestorOf(qobject_cast<QWidget *>(watched)))) {
        m_hintPanel->setText(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

int Tfrm_Quorvelin_Main::selectedSlot() const
{
    const QModelIndexList rows = clb_Servers->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : m_table.slotAt(rows.first().row());
}

void Tfrm_Quorvelin_Main::FillServerInfoView(int slot)
{
    const TUTServer *server = m_table.server(slot);
    if (m_state.ShuttingDown || !server)
        return;
    lv_ServerInfo->fill(*server);
    m_table.SyncListCounts(slot);
}

void Tfrm_Quorvelin_Main::FillPlayersView(int slot)
{
    const TUTServer *server = m_table.server(slot);
    if (m_state.ShuttingDown || !server)
        return;
    lv_Players->fill(*server);
}

void Tfrm_Quorvelin_Main::ShowTeamStrips(int slot)
{
    const TUTServer *server = m_table.server(slot);
    if (m_state.ShuttingDown || !server)
        return;
    QList<std::pair<QString, QString>> teams;
    for (const TTeamRecord &team : server->Teams)
        teams.append({QString::fromLatin1(team.Score), QString::fromLatin1(team.Size)});
    const bool reported = !server->Teams[0].Name.isEmpty();
    // A strip shows when the server reports teams and someone is playing in one.
    const bool visible = reported && !lv_Players->rows().isEmpty()
        && !ScoreGraphLayout::layoutTeams(teams, 100, 30).isEmpty();
    for (TeamScoreStrip *strip : {pbx_TeamScore, m_scorePage->teamStrip()}) {
        strip->setTeams(teams);
        strip->setVisible(visible);
    }
    updateStripHeights();
}

void Tfrm_Quorvelin_Main::RepaintScoreViews()
{
    if (m_state.ShuttingDown)
        return;
    if (m_pages->currentWidget() == m_scorePage) {
        m_scorePage->graph()->setRows(lv_Players->rows());
        m_scorePage->teamStrip()->update();
    } else if (m_pages->currentWidget() == ts_Players) {
        pbx_TeamScore->update();
    }
}

void Tfrm_Quorvelin_Main::StartBlink(int mode)
{
    ti_Blinker->StartBlink(mode);
}

void Tfrm_Quorvelin_Main::CheckBuddies()
{
    Q_EMIT buddyCheckRequested();
}

void Tfrm_Quorvelin_Main::UpdateTitleBar()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    const QString t = TitleBar::format(m_settings.TitleBarFormat, *m_table.entry(slot), *m_table.server(slot));
    setWindowTitle(TitleBar::caption(t));
    m_trayHint = TitleBar::trayHint(t);
    ti_Blinker->setHint(m_trayHint);
    lv_ServerInfo->refreshPing(*m_table.server(slot));
}

void Tfrm_Quorvelin_Main::refreshRow(int row)
{
    const int slot = m_table.slotAt(row);
    if (m_state.ShuttingDown || slot < 0)
        return;
    if (m_engine.QueryServer(slot))
        m_engine.WaitPumping(m_engine.SleepTime);
}

void Tfrm_Quorvelin_Main::changeEvent(QEvent *event)
{
    // Minimised, the program lives in the tray: no taskbar button.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && ti_Blinker && ti_Blinker->isAvailable())
        QTimer::singleShot(0, this, &QWidget::hide);
    QMainWindow::changeEvent(event);
}

void Tfrm_Quorvelin_Main::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void Tfrm_Quorvelin_Main::updateStripHeights()
{
    pbx_TeamScore->setFixedHeight(ScoreGraphLayout::playersStripHeight(height()));
    m_scorePage->teamStrip()->setFixedHeight(ScoreGraphLayout::scoreStripHeight(height()));
}

void Tfrm_Quorvelin_Main::SelectionRefresh()
{
    if (m_state.ShuttingDown)
        return;
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    FillServerInfoView(slot);
    FillPlayersView(slot);
    ShowTeamStrips(slot);
    RepaintScoreViews();
    UpdateTitleBar();
    CheckBuddies();
}

void Tfrm_Quorvelin_Main::mi_UpdateAllServersClick()
{
    m_engine.UpdateAllServers();
}

void Tfrm_Quorvelin_Main::mi_UpdateServerInfoClick()
{
    m_engine.UpdateServerInfo();
}

void Tfrm_Quorvelin_Main::mi_DeleteserverClick()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    const TServerListInfo entry = *m_table.entry(slot);
    const quint64 itemId = m_table.itemIdAt(m_table.positionOfSlot(slot));
    if (!m_messages.confirm(QStringLiteral("Are you sure you want to delete ") + entry.Name
                            + QStringLiteral(" ?\nThis can not be undone."))) {
        clb_Servers->viewport()->update();
        return;
    }
    // The list may have changed while the question was open.
    const int position = m_table.positionOfItemId(itemId);
    if (position < 0)
        return;
    m_log.log(QStringLiteral("Deleting server @ ") + QString::number(position) + QStringLiteral(" with address ")
              + entry.Host + QLatin1Char(':') + entry.Port);
    m_table.RemoveAt(position);
    clb_Servers->viewport()->update();
    storeServerList(false);
}

void Tfrm_Quorvelin_Main::mi_UpdateNameClick()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    // The name as the server reports it, without the control characters a
    // hostile server might put in it.
    QString name = QString::fromLatin1(m_table.server(slot)->HostName);
    for (QChar &c : name) {
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QLatin1Char(' ');
    }
    name = name.trimmed();
    if (name.isEmpty())
        return;
    const TUTServer &server = *m_table.server(slot);
    m_table.setServerAddress(slot, server.Host, server.QueryPort(), name);
    storeServerList(true);
}

void Tfrm_Quorvelin_Main::mi_ImportFromIniClick()
{
    if (m_importDirectory.isEmpty())
        m_importDirectory = QDir(m_settings.UTBaseDir).filePath(QStringLiteral("System"));
    const QString path = m_files.openFile(QStringLiteral("Select UnrealTournament.ini"),
                                          QStringLiteral("INI Files (*.ini);;All Files (*)"), m_importDirectory);
    if (path.isEmpty())
        return;
    m_importDirectory = QFileInfo(path).absolutePath();

    IniFile gameIni(path);
    QString error;
    if (!gameIni.load(&error)) {
        m_messages.showError(error);
        return;
    }
    const std::optional<QStringList> favorites = FavoritesImport::readFavorites(gameIni);
    if (!favorites) {
        m_messages.showError(QStringLiteral("No favorites found."));
        return;
    }
    m_log.log(QStringLiteral("Found %1 servers in the UnrealTournament.ini").arg(favorites->size()));
    FavoritesImport::addFavorites(*favorites, m_table, m_engine, m_log);
    if (m_state.ShuttingDown)
        return;
    storeServerList(true);
    m_messages.showInformation(QStringLiteral("Found %1 favorites in the ini file.\nOnly added when not already in the list.")
                                   .arg(favorites->size()));
}

bool Tfrm_Quorvelin_Main::AddBuddy(const QString &name)
{
    BuddyList changed = m_buddies;
    if (!changed.AddBuddy(name))
        return false;
    return storeBuddies(changed);
}

bool Tfrm_Quorvelin_Main::removeBuddy(int index)
{
    BuddyList changed = m_buddies;
    if (!changed.removeAt(index))
        return false;
    return storeBuddies(changed);
}

bool Tfrm_Quorvelin_Main::storeBuddies(const BuddyList &changed)
{
    const QString value = changed.storedValue();
    // A list the file cannot hold as it is (too long, a line break in a name)
    // is refused here, before the running list changes.
    IniFile probe;
    QString error;
    if (!probe.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), value, &error)) {
        m_messages.showWarning(error);
        return false;
    }
    m_buddies = changed;
    m_config.write([&](IniFile &ini, QString *writeError) {
        return ini.writeString(QStringLiteral("nicknames"), QStringLiteral("buddies"), value, writeError);
    });
    return true;
}

void Tfrm_Quorvelin_Main::sendDebugQuery(const QByteArray &query)
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_engine.SendQuery(slot, query);
}
