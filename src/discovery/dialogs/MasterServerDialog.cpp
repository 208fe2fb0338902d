#include "MasterServerDialog.h"

#include "config/CommaText.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "discovery/MasterExchange.h"
#include "discovery/MasterPinger.h"
#include "discovery/MasterRows.h"
#include "platform/DatagramSocket.h"
#include "platform/DatagramSocketFactory.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kMasterServer = QStringLiteral("MasterServer");
const QString kGameTypes = QStringLiteral("GameTypes");

QPushButton *newButton(const QString &caption, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QComboBox *newCombo(const char *name, const QString &accessibleName, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setAccessibleName(accessibleName);
    return combo;
}

// The game types the last refresh stored, the one that means any of them first.
QStringList storedGameTypes(const IniFile &ini)
{
    QStringList gameTypes;
    const QString stored = ini.readString(kMasterServer, kGameTypes, CommaText::join({MasterList::kAnyGameType}));
    for (const QString &gameType : CommaText::split(stored)) {
        if (!gameType.isEmpty())
            gameTypes.append(gameType);
    }
    if (gameTypes.isEmpty() || gameTypes.first() != MasterList::kAnyGameType)
        gameTypes.prepend(MasterList::kAnyGameType);
    return gameTypes;
}

} // namespace

MasterServerDialog::MasterServerDialog(const Context &context, QWidget *parent)
    : BusyDialog(parent)
    , m_context(context)
    , m_rows(new MasterRows(this))
    , m_exchange(new MasterExchange(this))
    , m_pinger(new MasterPinger(*m_rows, context.clock, this))
{
    setObjectName(QStringLiteral("frm_MasterServer"));
    setWindowTitle(QStringLiteral("Retreive servers from master server"));
    buildControls();
    m_rows->setIsListed(m_context.isListed);

    const IniFile ini = m_context.config.read();
    setMasterServers(Configuration::masterServers(ini));
    m_gameType->addItems(storedGameTypes(ini));
    m_gameType->setCurrentIndex(-1);

    connect(m_connect, &QPushButton::clicked, this, &MasterServerDialog::connectToMaster);
    connect(m_update, &QPushButton::clicked, this, &MasterServerDialog::refreshGameTypes);
    connect(m_addServers, &QPushButton::clicked, this, &MasterServerDialog::addServers);
    connect(m_exchange, &MasterExchange::connectedToMaster, this,
            [this] { setStatus(0, QStringLiteral("Connected to master server")); });
    connect(m_exchange, &MasterExchange::receivingData, this,
            [this] { setStatus(0, QStringLiteral("Receiving data")); });
    connect(m_exchange, &MasterExchange::serverListReceived, this, &MasterServerDialog::listReceived);
    connect(m_exchange, &MasterExchange::gameTypesReceived, this, &MasterServerDialog::showGameTypes);
    connect(m_exchange, &MasterExchange::failed, this, &MasterServerDialog::transferFailed);
    connect(m_pinger, &MasterPinger::progress, this, [this](int n) { setStatus(2, QString::number(n)); });
    connect(m_pinger, &MasterPinger::finished, this, &MasterServerDialog::pingsFinished);
}

MasterServerDialog::~MasterServerDialog() = default;

void MasterServerDialog::buildControls()
{
    m_masterServer = newCombo("cb_MasterServer", QStringLiteral("Master server"), this);
    m_gameType = newCombo("cb_GameType", QStringLiteral("Game type"), this);
    m_location = newCombo("cb_Location", QStringLiteral("Location"), this);
    m_location->addItems(MasterList::locationNames());
    m_location->setCurrentIndex(-1);
    m_masterServer->setMinimumContentsLength(28);

    m_connect = newButton(QStringLiteral("Connect"), "btn_Connect", this);
    m_update = newButton(QStringLiteral("Refresh gametype list"), "btn_Update", this);
    m_update->setToolTip(QStringLiteral("Update the gametype list"));
    m_cancel = newButton(QStringLiteral("Cancel"), "btn_Cancel", this);
    m_addServers = newButton(QStringLiteral("Add Servers"), "btn_AddServers", this);

    buildServerList();

    auto *filters = new QFormLayout;
    filters->addRow(QStringLiteral("&Master server:"), m_masterServer);
    filters->addRow(QStringLiteral("&Game type:"), m_gameType);
    filters->addRow(QStringLiteral("&Location:"), m_location);
    QHBoxLayout *buttons = newButtonRow({m_connect, m_update}, m_addServers, m_cancel);

    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sb_Status"));
    bar->setSizeGripEnabled(false);
    buildStatusBar(bar);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_servers, 1);
    layout->addLayout(buttons);
    layout->addWidget(bar);
    resize(800, 480);

    // The keyboard walks the dialog top to bottom: filters, list, buttons.
    setTabOrder(m_masterServer, m_gameType);
    setTabOrder(m_gameType, m_location);
    setTabOrder(m_location, m_servers);
    setTabOrder(m_servers, m_connect);
    setTabOrder(m_connect, m_update);
    setTabOrder(m_update, m_addServers);
    setTabOrder(m_addServers, m_cancel);
}

void MasterServerDialog::buildServerList()
{
    m_servers = new QTreeView(this);
    m_servers->setObjectName(QStringLiteral("lv_Servers"));
    m_servers->setAccessibleName(QStringLiteral("Servers of the master server"));
    m_servers->setModel(m_rows);
    m_servers->setRootIsDecorated(false);
    m_servers->setUniformRowHeights(true);
    m_servers->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_servers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_servers->header()->setSectionsClickable(true);
    m_servers->header()->setSortIndicatorShown(false);
    constexpr int kColumnWidths[] = {317, 100, 50, 100, 50, 0, 0, 60};
    for (int column = 0; column < MasterRows::ColumnCount; ++column)
        m_servers->setColumnWidth(column, kColumnWidths[column]);
    m_servers->setColumnHidden(MasterRows::DataColumn, true);
    m_servers->setColumnHidden(MasterRows::StartTimeColumn, true);
    connect(m_servers->header(), &QHeaderView::sectionClicked, m_rows, &MasterRows::sortByColumn);
    connect(m_servers, &QTreeView::doubleClicked, this, &MasterServerDialog::repingSelected);

    auto *reping = new QAction(QStringLiteral("Reping server"), m_servers);
    reping->setObjectName(QStringLiteral("mi_Repingserver1"));
    reping->setShortcut(QKeySequence(Qt::Key_F5));
    reping->setShortcutContext(Qt::WidgetShortcut);
    auto *fillEmpty = new QAction(QStringLiteral("Reping time-outs"), m_servers);
    fillEmpty->setObjectName(QStringLiteral("mi_FillEmpty"));
    fillEmpty->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    fillEmpty->setShortcutContext(Qt::WidgetShortcut);
    m_servers->addActions({reping, fillEmpty});
    m_servers->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(reping, &QAction::triggered, this, &MasterServerDialog::repingSelected);
    connect(fillEmpty, &QAction::triggered, this, &MasterServerDialog::repingTimeouts);

    // The header's sorting, for the keyboard: a column chosen again turns the order round.
    auto *sortMenu = new QMenu(QStringLiteral("Sort by"), m_servers);
    for (int column : {MasterRows::NameColumn, MasterRows::AddressColumn, MasterRows::PortColumn,
                       MasterRows::GameTypeColumn, MasterRows::PingColumn, MasterRows::VersionColumn}) {
        QAction *sort = sortMenu->addAction(m_rows->headerData(column, Qt::Horizontal).toString());
        connect(sort, &QAction::triggered, m_rows, [this, column] { m_rows->sortByColumn(column); });
    }
    m_servers->addAction(sortMenu->menuAction());
}

void MasterServerDialog::buildStatusBar(QWidget *bar)
{
    constexpr int kPanelWidths[] = {150, 75, 75, 50};
    for (int panel = 0; panel < 4; ++panel) {
        auto *label = new QLabel(bar);
        label->setObjectName(QStringLiteral("sb_Status_%1").arg(panel));
        label->setMinimumWidth(kPanelWidths[panel]);
        if (panel == 1 || panel == 2)
            label->setAlignment(Qt::AlignCenter);
        static_cast<QStatusBar *>(bar)->addWidget(label, panel == 0 ? 1 : 0);
        m_panels.append(label);
    }
}

void MasterServerDialog::setMasterServers(const QStringList &entries)
{
    const QString current = m_masterServer->currentText();
    m_masterServer->clear();
    m_masterServer->addItems(entries);
    m_masterServer->setCurrentIndex(current.isEmpty() ? -1 : entries.indexOf(current));
}

QString MasterServerDialog::statusText(int panel) const
{
    return m_panels.value(panel) ? m_panels[panel]->text() : QString();
}

void MasterServerDialog::setStatus(int panel, const QString &text)
{
    m_panels[panel]->setText(text);
}

void MasterServerDialog::setBusy(bool busy)
{
    m_busy = busy;
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
    for (QWidget *control :
         {static_cast<QWidget *>(m_masterServer), static_cast<QWidget *>(m_connect),
          static_cast<QWidget *>(m_addServers), static_cast<QWidget *>(m_servers), static_cast<QWidget *>(m_gameType),
          static_cast<QWidget *>(m_location), static_cast<QWidget *>(m_update)})
        control->setEnabled(!busy);
    // Cancel keeps working throughout; with the other controls off it has the focus.
    if (busy)
        m_cancel->setFocus();
}

void MasterServerDialog::connectToMaster()
{
    if (m_masterServer->currentIndex() < 0)
        return;
    setBusy(true);
    setStatus(0, QStringLiteral("Connecting to master server"));
    const QString gameType = m_gameType->currentIndex() > 0 ? m_gameType->currentText() : QString();
    const int location = std::max(0, m_location->currentIndex());
    m_exchange->fetchServerList(m_masterServer->currentText(), gameType, location);
}

void MasterServerDialog::refreshGameTypes()
{
    if (m_masterServer->currentIndex() < 0)
        return;
    if (MasterExchange::isWebEntry(m_masterServer->currentText())) {
        m_context.messages.showInformation(
            QStringLiteral("Game types can only be refreshed from a master server, not from a web list."));
        return;
    }
    setBusy(true);
    setStatus(0, QStringLiteral("Connecting to master server"));
    m_exchange->refreshGameTypes(m_masterServer->currentText());
}

void MasterServerDialog::listReceived(const QList<MasterList::ListedServer> &servers)
{
    setStatus(0, QStringLiteral("Parsing server list"));
    m_rows->setServers(servers);
    setStatus(1, QStringLiteral("%1 servers").arg(m_rows->count()));
    showListedCount();
    setStatus(0, QStringLiteral(" "));
    pingAll();
}

void MasterServerDialog::pingAll()
{
    // The list stays live: the view repaints only the rows a reply changed.
    setStatus(0, QStringLiteral("Retreiving server info"));
    m_pinger->pingAll(m_context.sleepTime);
}

// Panel 3 tells how many rows the main list holds already.
void MasterServerDialog::showListedCount()
{
    const int listed = m_rows->listedCount();
    setStatus(3, listed == 0 ? QString() : QStringLiteral("%1 already in the list").arg(listed));
}

void MasterServerDialog::pingsFinished()
{
    setBusy(false);
}

void MasterServerDialog::showGameTypes(const QStringList &gameTypes)
{
    setStatus(0, QStringLiteral("Parsing info"));
    m_gameType->clear();
    m_gameType->addItems(gameTypes);
    m_gameType->setCurrentIndex(-1);
    m_context.config.write([&gameTypes](IniFile &ini, QString *error) {
        return ini.writeString(kMasterServer, kGameTypes, CommaText::join(gameTypes), error);
    });
    setStatus(0, QStringLiteral("Game types updated"));
    setBusy(false);
}

void MasterServerDialog::transferFailed(const QString &message)
{
    setStatus(0, QStringLiteral(" "));
    setBusy(false);
    m_context.messages.showError(message);
}

void MasterServerDialog::stopWork()
{
    m_pinger->cancel();
    if (m_exchange->cancel())
        setStatus(0, QStringLiteral("Aborted"));
    setBusy(false);
}

void MasterServerDialog::addServers()
{
    const int listed = m_context.serverCount();
    // Ticked rows the list holds already add nothing.
    const int ticked = m_rows->checkedNewCount();
    if (listed + ticked >= 257) {
        m_context.messages.showError(QStringLiteral("You can only add up to %1 new server.\n"
                                                    "If you want to add more you should delete\n"
                                                    "some servers from the main list.")
                                         .arg(256 - listed));
        return;
    }
    accept();
}

void MasterServerDialog::repingSelected()
{
    const QModelIndexList selected = m_servers->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex &index : selected)
        first = std::min(first, index.row());
    m_pinger->pingRow(first);
}

void MasterServerDialog::repingTimeouts()
{
    setStatus(0, QStringLiteral("Populating list"));
    setBusy(true);
    m_pinger->repingTimeouts(m_context.sleepTime);
}

void MasterServerDialog::showEvent(QShowEvent *event)
{
    BusyDialog::showEvent(event);
    // Rows kept from an earlier opening may have been added since.
    m_rows->markListed();
    showListedCount();
    if (m_socket)
        return;
    m_socket = m_context.sockets.createSocket();
    const int port = m_context.localPort + 1;
    if (port < 1 || port > 65535 || !m_socket->bind(static_cast<quint16>(port))) {
        // Replies still come back to a port of the system's choosing.
        m_socket->bind(0);
    }
    m_pinger->setSocket(m_socket.get());
}

void MasterServerDialog::endWork()
{
    m_pinger->cancel();
    m_exchange->cancel();
    m_pinger->setSocket(nullptr);
    m_socket.reset();
    setBusy(false);
}
