#include "Tfrm_Quorvelin_Main.h"

#include "DebugPage.h"
#include "ServerRowDelegate.h"
#include "SplashWindow.h"
#include "core/DebugLog.h"
#include "core/PollingDelays.h"
#include "core/QueryEngine.h"
#include "core/RunState.h"
#include "core/ServerTable.h"
#include "core/TitleBar.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
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
    , m_profileDirectory(context.profileDirectory)
{
    setObjectName(QStringLiteral("Tfrm_Quorvelin_Main"));
    setWindowTitle(QStringLiteral("Quorvelin"));
    resize(900, 560);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(buildServerListPane());

    m_pages = new QTabWidget(splitter);
    m_pages->addTab(buildPollingPage(tb_ServerInfoDelay, cb_ServerInfoUpdate, lbl_ServerInfoUpdate,
                                     PollingDelays::kServerInfoMin, PollingDelays::kServerInfoMax),
                    QStringLiteral("Server Info"));
    m_pages->addTab(buildPollingPage(tb_PlayerInfoDelay, cb_PlayerInfoUpdate, lbl_PlayerInfoUpdate,
                                     PollingDelays::kPlayerInfoMin, PollingDelays::kPlayerInfoMax),
                    QStringLiteral("Players"));
    tb_ServerInfoDelay->setObjectName(QStringLiteral("tb_ServerInfoDelay"));
    tb_PlayerInfoDelay->setObjectName(QStringLiteral("tb_PlayerInfoDelay"));
    cb_ServerInfoUpdate->setObjectName(QStringLiteral("cb_ServerInfoUpdate"));
    cb_PlayerInfoUpdate->setObjectName(QStringLiteral("cb_PlayerInfoUpdate"));
    lbl_ServerInfoUpdate->setObjectName(QStringLiteral("lbl_ServerInfoUpdate"));
    lbl_PlayerInfoUpdate->setObjectName(QStringLiteral("lbl_PlayerInfoUpdate"));
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
    applyPollingSettings(PollingDelays::kServerListMin, 1, 10, false, false);

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
    clb_Servers = new QListView(pane);
    clb_Servers->setObjectName(QStringLiteral("clb_Servers"));
    clb_Servers->setModel(&m_table);
    clb_Servers->setItemDelegate(new ServerRowDelegate(clb_Servers));
    clb_Servers->setSelectionMode(QAbstractItemView::SingleSelection);
    clb_Servers->setUniformItemSizes(true);
    clb_Servers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    clb_Servers->setContextMenuPolicy(Qt::ActionsContextMenu);
    clb_Servers->setStatusTip(QStringLiteral("List with all the server that can be monitored"));
    connect(clb_Servers->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &Tfrm_Quorvelin_Main::SelectionRefresh);

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

QWidget *Tfrm_Quorvelin_Main::buildPollingPage(QSlider *&slider, QCheckBox *&box, QLabel *&label, int minimum,
                                               int maximum)
{
    auto *page = new QWidget(this);
    // The view of the page fills this area.
    auto *viewArea = new QWidget(page);
    viewArea->setObjectName(QStringLiteral("viewArea"));
    slider = new QSlider(Qt::Horizontal, page);
    slider->setRange(minimum, maximum);
    box = new QCheckBox(page);
    label = new QLabel(page);

    auto *controls = new QHBoxLayout;
    controls->addWidget(box);
    controls->addWidget(label, 1);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(viewArea, 1);
    layout->addLayout(controls);
    layout->addWidget(slider);
    return page;
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
    serverMenu->addMenu(sortMenu);
    serverMenu->addSeparator();
    serverMenu->addAction(exitAction);

    clb_Servers->addAction(updateAll);
    clb_Servers->addAction(updateInfo);
    clb_Servers->addAction(deleteServer);
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
    QList<int> slots;
    for (const StartServer &start : std::as_const(m_startServers)) {
        const int slot = m_table.AddServer(start.address, start.port, QString());
        if (slot >= ServerTable::kSlotCount)
            break;
        m_table.setChecked(m_table.positionOfSlot(slot), true);
        slots.append(slot);
    }
    for (qsizetype i = 0; i < slots.size(); ++i) {
        if (m_state.ShuttingDown)
            return;
        if (m_splash)
            m_splash->showProgress(QStringLiteral("Quering servers : %1%").arg((i + 1) * 100 / slots.size()));
        if (!m_engine.QueryServer(slots[i]))
            break;
        m_engine.WaitPumping(m_engine.SleepTime);
    }
    if (m_splash)
        m_splash->showProgress(SplashWindow::kCloseText);
    if (m_state.ShuttingDown)
        return;
    m_table.SetSortMode(m_table.serverListSort());
    if (QAction *checked = m_sortGroup->actions().value(m_table.serverListSort()))
        checked->setChecked(true);
    m_engine.startPolling();
}

void Tfrm_Quorvelin_Main::closeEvent(QCloseEvent *event)
{
    m_state.ShuttingDown = true;
    setWindowTitle(QStringLiteral("Quorvelin closing..."));
    m_engine.stopTimers();
    Q_EMIT closing();
    event->accept();
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
    Q_EMIT serverInfoViewRefill(slot);
}

void Tfrm_Quorvelin_Main::FillPlayersView(int slot)
{
    Q_EMIT playersViewRefill(slot);
}

void Tfrm_Quorvelin_Main::ShowTeamStrips(int slot)
{
    Q_EMIT teamStripsRefill(slot);
}

void Tfrm_Quorvelin_Main::RepaintScoreViews()
{
    Q_EMIT scoreViewsRepaint();
}

void Tfrm_Quorvelin_Main::StartBlink(int mode)
{
    Q_EMIT blinkRequested(mode);
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
    const QString t = TitleBar::format(titleBarFormat, *m_table.entry(slot), *m_table.server(slot));
    setWindowTitle(TitleBar::caption(t));
    m_trayHint = TitleBar::trayHint(t);
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
    Q_EMIT serverDeleted();
}

void Tfrm_Quorvelin_Main::sendDebugQuery(const QByteArray &query)
{
    const int slot = selectedSlot();
    if (slot >= 0)
        m_engine.SendQuery(slot, query);
}
