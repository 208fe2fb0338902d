#include "AddServersDialog.h"

#include "SearchRows.h"
#include "core/DottedAddress.h"
#include "core/PacedWalk.h"
#include "core/StrToIntOrZero.h"
#include "discovery/MasterList.h"
#include "platform/DatagramSocket.h"
#include "platform/DatagramSocketFactory.h"
#include "platform/HostResolver.h"
#include "platform/MessageBoxes.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kHostPrompt = QStringLiteral("<IP or address>");
const QString kCaption = QStringLiteral("Add servers");

} // namespace

AddServersDialog::AddServersDialog(const Context &context, QWidget *parent)
    : BusyDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frm_AddServers"));
    setWindowTitle(kCaption);
    buildControls();
    m_countdown.setParent(this);
    m_countdown.setObjectName(QStringLiteral("tmr_TimeOut"));
    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &AddServersDialog::countdownTick);
    connect(&m_context.resolver, &HostResolver::resolved, this, &AddServersDialog::hostResolved);

    const int portCount = m_context.targets.beaconPortCount;
    m_beaconWalk = new PacedWalk(
        [portCount](quint64 i) { return i < quint64(portCount) ? int(i) : -1; },
        [portCount] {
            QList<quint64> ports;
            for (int i = 0; i < portCount; ++i)
                ports.append(quint64(i));
            return ports;
        },
        [this](int i) {
            const DottedAddress address = DottedAddress::parse(m_searchHost);
            const int port = m_context.targets.firstBeaconPort + i;
            if (m_findLan && address.ok && port <= 65535
                && m_findLan->send(Beacon::kQuestion.toByteArray(), address.ipv4, static_cast<quint16>(port)))
                return PacedWalk::Step::Paused;
            setSearching(false);
            setWindowTitle(QStringLiteral("Add servers - invalid host"));
            m_context.messages.showError(QStringLiteral("Invalid host address. Please correct this"));
            return PacedWalk::Step::Stopped;
        },
        this);
}

AddServersDialog::~AddServersDialog() = default;

void AddServersDialog::buildControls()
{
    m_host = new QLineEdit(kHostPrompt, this);
    m_host->setObjectName(QStringLiteral("ed_IP"));
    m_host->setAccessibleName(QStringLiteral("Host"));
    m_host->installEventFilter(this);
    connect(m_host, &QLineEdit::returnPressed, this, &AddServersDialog::findServers);

    m_advanced = new QWidget(this);
    m_advanced->setObjectName(QStringLiteral("pnl_AdvHide"));
    m_port = new QSpinBox(m_advanced);
    m_port->setObjectName(QStringLiteral("se_ServerPort"));
    m_port->setRange(1, 65535);
    m_port->setValue(7778);
    m_port->setAccessibleName(QStringLiteral("Server query port"));
    auto *advancedLayout = new QFormLayout(m_advanced);
    advancedLayout->setContentsMargins(0, 0, 0, 0);
    advancedLayout->addRow(QStringLiteral("Server query &port:"), m_port);
    m_advanced->hide();

    m_find = new QPushButton(QStringLiteral("Find servers"), this);
    m_find->setObjectName(QStringLiteral("btn_FindLAN"));
    m_addServers = new QPushButton(QStringLiteral("Add Servers"), this);
    m_addServers->setObjectName(QStringLiteral("btn_AddServers"));
    m_addServers->setToolTip(QStringLiteral("Add selected servers"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btn_Cancel"));
    m_advancedButton = new QPushButton(QStringLiteral("Advanced"), this);
    m_advancedButton->setObjectName(QStringLiteral("btn_Advanced"));
    for (QPushButton *button : {m_find, m_addServers, m_cancel, m_advancedButton})
        button->setAutoDefault(false);
    connect(m_find, &QPushButton::clicked, this, &AddServersDialog::findServers);
    connect(m_addServers, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_advancedButton, &QPushButton::clicked, this,
            [this] { m_advanced->setVisible(!m_advanced->isVisible()); });

    m_servers = SearchRows::newList(this, {QStringLiteral("port"), QStringLiteral("Server name")});
    m_servers->setAccessibleName(QStringLiteral("Servers found"));
    m_listedLine = SearchRows::newListedLine(this);

    auto *hostRow = new QFormLayout;
    hostRow->addRow(QStringLiteral("&Host:"), m_host);
    QHBoxLayout *buttons = newButtonRow({m_find, m_advancedButton}, m_addServers, m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(hostRow);
    layout->addWidget(m_advanced);
    layout->addWidget(m_servers, 1);
    layout->addWidget(m_listedLine);
    layout->addLayout(buttons);
    resize(420, 320);

    setTabOrder(m_host, m_port);
    setTabOrder(m_port, m_servers);
    setTabOrder(m_servers, m_find);
    setTabOrder(m_find, m_advancedButton);
    setTabOrder(m_advancedButton, m_addServers);
    setTabOrder(m_addServers, m_cancel);
}

bool AddServersDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && event->type() == QEvent::FocusIn && m_host->text() == kHostPrompt)
        m_host->clear();
    return BusyDialog::eventFilter(watched, event);
}

void AddServersDialog::showEvent(QShowEvent *event)
{
    BusyDialog::showEvent(event);
    clearRows();
    if (m_findLan)
        return;
    m_findLan = m_context.sockets.createSocket();
    m_getInfo = m_context.sockets.createSocket();
    const bool open = SearchRows::bindPreferred(*m_findLan, m_context.localPort + 1)
                      && SearchRows::bindPreferred(*m_getInfo, m_context.localPort + 2);
    if (!open) {
        m_findLan.reset();
        m_getInfo.reset();
        return;
    }
    connect(m_findLan.get(), &DatagramSocket::datagramReceived, this, &AddServersDialog::beaconAnswered);
    connect(m_getInfo.get(), &DatagramSocket::datagramReceived, this, &AddServersDialog::infoReplied);
}

void AddServersDialog::endWork()
{
    m_beaconWalk->cancel();
    m_countdown.stop();
    m_elapsed = 0;
    m_pendingName.clear();
    setSearching(false);
    m_findLan.reset();
    m_getInfo.reset();
}

void AddServersDialog::setSearching(bool searching)
{
    m_find->setEnabled(!searching);
    m_host->setEnabled(!searching);
    m_addServers->setEnabled(!searching);
    if (!searching) {
        m_countdown.stop();
        setWindowTitle(kCaption);
    }
}

// The search is over: a name still being looked up no longer starts it.
void AddServersDialog::endSearch()
{
    m_pendingName.clear();
    setSearching(false);
}

void AddServersDialog::findServers()
{
    if (!m_findLan || !m_getInfo)
        return;
    m_beaconWalk->cancel();
    clearRows();
    setSearching(true);
    setWindowTitle(QStringLiteral("Add servers - searching..."));
    m_elapsed = 0;
    m_countdown.start();

    const QString text = m_host->text();
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    qint32 firstPart = 0;
    if (dot < 0 || !tryStrToInt(text.left(dot).toLatin1(), firstPart)) {
        // A name: looked up in the background; the search goes on when it answers.
        m_pendingName = text;
        m_context.resolver.lookUp(text);
        return;
    }
    // Replies name their sender without leading zeros; the rows must carry that form.
    const QString address = DottedAddress::canonical(text);
    m_host->setText(address);
    searchHost(address);
}

void AddServersDialog::hostResolved(const QString &name, const QString &ipv4)
{
    if (name != m_pendingName || !isVisible())
        return;
    m_pendingName.clear();
    if (ipv4.isEmpty()) {
        // The countdown, still running, brings the dialog back to idle.
        m_context.messages.showWarning(QStringLiteral("Could not resolve '%1'").arg(name));
        return;
    }
    m_host->setText(ipv4);
    searchHost(ipv4);
}

void AddServersDialog::searchHost(const QString &address)
{
    if (m_advanced->isVisible()) {
        addRow(address, static_cast<quint16>(m_port->value()));
        const DottedAddress dotted = DottedAddress::parse(address);
        if (dotted.ok)
            m_getInfo->send(QByteArrayLiteral("\\info\\"), dotted.ipv4, static_cast<quint16>(m_port->value()));
        setSearching(false);
        return;
    }
    m_searchHost = address;
    m_beaconWalk->startOverList(m_context.sleepTime);
}

void AddServersDialog::countdownTick()
{
    if (m_context.serverTimeOut <= m_elapsed) {
        endSearch();
        m_elapsed = 0;
        return;
    }
    setWindowTitle(
        QStringLiteral("Add servers - searching ... (%1 seconds left)").arg(m_context.serverTimeOut - m_elapsed));
    ++m_elapsed;
}

// The next tick ends the search; a name that answers meanwhile starts nothing.
void AddServersDialog::stopWork()
{
    m_pendingName.clear();
    m_elapsed = m_context.serverTimeOut + 1;
}

void AddServersDialog::beaconAnswered(const QByteArray &datagram, const QString &senderAddress, quint16)
{
    const std::optional<quint16> port = Beacon::answerPort(datagram);
    if (port && m_servers->topLevelItemCount() < kMaxRows) {
        // Answers may come from several hosts (a broadcast address, a late
        // answer to the search before): each row keeps its own.
        addRow(senderAddress, *port);
        const DottedAddress dotted = DottedAddress::parse(senderAddress);
        if (dotted.ok)
            m_getInfo->send(QByteArrayLiteral("\\info\\"), dotted.ipv4, *port);
    }
    // Any datagram on the beacon socket ends the search; later answers still add rows.
    endSearch();
}

void AddServersDialog::infoReplied(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort)
{
    const QString name = MasterList::hostNameOf(datagram);
    if (name.isEmpty())
        return;
    const QString port = QString::number(senderPort);
    for (int i = 0; i < m_servers->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_servers->topLevelItem(i);
        if (row->text(0) == port && SearchRows::address(row) == senderAddress)
            SearchRows::appendName(row, 1, name);
    }
}

void AddServersDialog::addRow(const QString &address, quint16 port)
{
    QTreeWidgetItem *row = SearchRows::addRow(m_servers, {QString::number(port)});
    SearchRows::setAddress(row, address);
    if (m_context.isListed && m_context.isListed(address, port)) {
        SearchRows::markListed(row);
        SearchRows::showListedCount(m_listedLine, m_servers);
    }
}

void AddServersDialog::clearRows()
{
    m_servers->clear();
    SearchRows::showListedCount(m_listedLine, m_servers);
}

QList<FoundServer> AddServersDialog::tickedServers() const
{
    QList<FoundServer> servers;
    for (int i = 0; i < m_servers->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_servers->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked)
            servers.append({SearchRows::address(row), strToIntOrZero(row->text(0)), SearchRows::firstName(row, 1)});
    }
    return servers;
}
