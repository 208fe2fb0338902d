#include "LanServersDialog.h"

#include "SearchRows.h"
#include "core/DottedAddress.h"
#include "core/StrToIntOrZero.h"
#include "discovery/MasterList.h"
#include "platform/DatagramSocket.h"
#include "platform/DatagramSocketFactory.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString rowKey(const QString &address, const QString &port)
{
    return address + QLatin1Char(':') + port;
}

} // namespace

LanServersDialog::LanServersDialog(const Context &context, QWidget *parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frm_LANServers"));
    setWindowTitle(QStringLiteral("Find LAN Servers"));

    m_servers =
        SearchRows::newList(this, {QStringLiteral("IP"), QStringLiteral("port"), QStringLiteral("Server name")});
    m_servers->setAccessibleName(QStringLiteral("Servers found on the local network"));
    m_listedLine = SearchRows::newListedLine(this);

    auto *find = new QPushButton(QStringLiteral("Find servers"), this);
    find->setObjectName(QStringLiteral("btn_FindLAN"));
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *add = buttons->addButton(QStringLiteral("Add Servers"), QDialogButtonBox::AcceptRole);
    add->setObjectName(QStringLiteral("btn_AddServers"));
    add->setToolTip(QStringLiteral("Add selected servers"));
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("btn_Cancel"));
    for (QPushButton *button : {find, add, cancel})
        button->setAutoDefault(false);
    connect(find, &QPushButton::clicked, this, &LanServersDialog::findServers);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(find);
    row->addWidget(buttons, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_servers, 1);
    layout->addWidget(m_listedLine);
    layout->addLayout(row);
    resize(480, 320);
}

LanServersDialog::~LanServersDialog() = default;

void LanServersDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_findLan)
        return;
    m_findLan = m_context.sockets.createSocket();
    m_getInfo = m_context.sockets.createSocket();
    SearchRows::bindPreferred(*m_findLan, m_context.localPort + 1);
    SearchRows::bindPreferred(*m_getInfo, m_context.localPort + 2);
    connect(m_findLan.get(), &DatagramSocket::datagramReceived, this, &LanServersDialog::beaconAnswered);
    connect(m_getInfo.get(), &DatagramSocket::datagramReceived, this, &LanServersDialog::infoReplied);
    findServers();
}

void LanServersDialog::done(int result)
{
    m_findLan.reset();
    m_getInfo.reset();
    QDialog::done(result);
}

void LanServersDialog::findServers()
{
    if (!m_findLan)
        return;
    m_servers->clear();
    m_listed.clear();
    SearchRows::showListedCount(m_listedLine, m_servers);
    const QByteArray question = Beacon::kQuestion.toByteArray();
    for (const QString &target : m_context.targets.broadcastAddresses) {
        const DottedAddress address = DottedAddress::parse(target);
        if (!address.ok)
            continue;
        for (int i = 0; i < m_context.targets.beaconPortCount; ++i) {
            const int port = m_context.targets.firstBeaconPort + i;
            if (port <= 65535)
                m_findLan->send(question, address.ipv4, static_cast<quint16>(port));
        }
    }
}

void LanServersDialog::beaconAnswered(const QByteArray &datagram, const QString &senderAddress, quint16)
{
    const std::optional<quint16> port = Beacon::answerPort(datagram);
    if (!port || m_servers->topLevelItemCount() >= kMaxRows)
        return;
    const QString portText = QString::number(*port);
    const QString key = rowKey(senderAddress, portText);
    if (m_listed.contains(key))
        return;
    m_listed.insert(key);
    QTreeWidgetItem *row = SearchRows::addRow(m_servers, {senderAddress, portText});
    if (m_context.isListed && m_context.isListed(senderAddress, *port)) {
        SearchRows::markListed(row);
        SearchRows::showListedCount(m_listedLine, m_servers);
    }
    const DottedAddress dotted = DottedAddress::parse(senderAddress);
    if (dotted.ok)
        m_getInfo->send(QByteArrayLiteral("\\info\\"), dotted.ipv4, *port);
}

void LanServersDialog::infoReplied(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort)
{
    const QString name = MasterList::hostNameOf(datagram);
    if (name.isEmpty() || !m_listed.contains(rowKey(senderAddress, QString::number(senderPort))))
        return;
    const QString port = QString::number(senderPort);
    for (int i = 0; i < m_servers->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_servers->topLevelItem(i);
        if (row->text(0) == senderAddress && row->text(1) == port)
            SearchRows::appendName(row, 2, name);
    }
}

QList<FoundServer> LanServersDialog::tickedServers() const
{
    QList<FoundServer> servers;
    for (int i = 0; i < m_servers->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = m_servers->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked)
            servers.append({row->text(0), strToIntOrZero(row->text(1)), SearchRows::firstName(row, 2)});
    }
    return servers;
}
