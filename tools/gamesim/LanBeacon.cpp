#include "LanBeacon.h"

#include "SimulatedServer.h"
#include "core/Windows1252.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace {
const QByteArray kBeaconProduct = QByteArrayLiteral("ut");
}

LanBeacon::LanBeacon(SimulatedServer *server, QObject *parent)
    : QObject(parent)
    , m_server(server)
{
}

LanBeacon::~LanBeacon() = default;

bool LanBeacon::start(quint16 firstPort, quint16 lastPort)
{
    if (m_socket)
        return true;
    const quint16 last = firstPort == 0 ? quint16(0) : qMax(firstPort, lastPort);
    for (quint32 port = firstPort; port <= last; ++port) {
        auto *socket = new QUdpSocket(this);
        if (socket->bind(QHostAddress::LocalHost, quint16(port))) {
            m_socket = socket;
            connect(m_socket, &QUdpSocket::readyRead, this, &LanBeacon::readPendingDatagrams);
            return true;
        }
        delete socket;
    }
    return false;
}

void LanBeacon::stop()
{
    delete m_socket;
    m_socket = nullptr;
}

quint16 LanBeacon::port() const
{
    return m_socket ? m_socket->localPort() : quint16(0);
}

QByteArray LanBeacon::queryReply() const
{
    return m_server ? kBeaconProduct + ' ' + QByteArray::number(m_server->queryPort()) : QByteArray();
}

QByteArray LanBeacon::reportReply() const
{
    if (!m_server)
        return {};
    const SimulatedServerConfig &c = m_server->config();
    const QString text = QStringLiteral("%1 %2 %3 %4/%5")
                             .arg(c.computerName, c.mapTitle.left(24), c.beaconName)
                             .arg(m_server->playerCount())
                             .arg(c.maxPlayers);
    return kBeaconProduct + ' ' + QByteArray::number(m_server->gamePort()) + ' '
           + (c.utf8Text ? text.toUtf8() : toWindows1252(text));
}

void LanBeacon::readPendingDatagrams()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram request = m_socket->receiveDatagram();
        QByteArray reply;
        if (request.data() == "REPORTQUERY")
            reply = queryReply();
        else if (request.data() == "REPORT")
            reply = reportReply();
        if (!reply.isEmpty())
            m_socket->writeDatagram(reply, request.senderAddress(), quint16(request.senderPort()));
    }
}
