#include "QueryEngine.h"

#include "DebugLog.h"
#include "DottedAddress.h"
#include "ReplyCodec.h"
#include "ServerTable.h"
#include "platform/DatagramSocket.h"
#include "platform/TickClock.h"

QueryEngine::QueryEngine(ServerTable &table, DebugLog &log, DatagramSocket &socket, const PlatformServices &services,
                         QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_log(log)
    , m_socket(socket)
    , m_services(services)
{
    connect(&m_socket, &DatagramSocket::datagramReceived, this, &QueryEngine::handleDatagram);
}

bool QueryEngine::bindMain(quint16 localPort, QString *error)
{
    if (m_socket.bind(localPort))
        return true;
    if (error)
        *error = m_socket.errorString();
    return false;
}

bool QueryEngine::sendQuery(int slot, const QByteArray &query)
{
    TUTServer *server = m_table.server(slot);
    if (!server || DottedAddress::isUnset(server->Host))
        return true;

    if (m_log.isActive())
        m_log.log(QStringLiteral("send ") + QString::fromLatin1(query) + QStringLiteral(" to ") + server->Host
                  + QLatin1Char(':') + QString::number(server->queryPort()));

    const DottedAddress address = DottedAddress::parse(server->Host);
    if (!address.ok) {
        Q_EMIT sendFailed(address.error);
        return false;
    }
    const int port = server->queryPort();
    if (port <= 0 || port > 65535) {
        m_log.log(QStringLiteral("not sent: port ") + QString::number(port) + QStringLiteral(" is out of range"));
        return true;
    }
    if (!m_socket.send(query, address.ipv4, static_cast<quint16>(port)))
        m_log.log(QStringLiteral("send failed: ") + m_socket.errorString());

    if (server->PingSentTick == 0)
        server->PingSentTick = m_services.clock->tickCount();
    return true;
}

bool QueryEngine::queryServer(int slot)
{
    static const QByteArray kQueries[] = {
        QByteArrayLiteral("\\info\\"),
        QByteArrayLiteral("\\players\\"),
        QByteArrayLiteral("\\rules\\"),
        QByteArrayLiteral("\\teams\\"),
    };
    for (const QByteArray &query : kQueries) {
        if (!sendQuery(slot, query))
            return false;
    }
    return true;
}

PacedWalk *QueryEngine::createQueryWalk(QObject *parent)
{
    return new PacedWalk(
        m_table,
        [this](int slot, int) { return queryServer(slot) ? PacedWalk::Step::Paused : PacedWalk::Step::Stopped; },
        parent);
}

void QueryEngine::stopReceiving()
{
    disconnect(&m_socket, &DatagramSocket::datagramReceived, this, &QueryEngine::handleDatagram);
}

void QueryEngine::handleDatagram(const QByteArray &datagram, const QString &address, quint16 port)
{
    const int slot = m_table.slotForSender(address, port);
    if (slot < 0) {
        m_log.log(QStringLiteral("received data from unknown location : ") + address + QLatin1Char(':')
                  + QString::number(port));
        return;
    }
    TUTServer *server = m_table.server(slot);
    if (server->PingSentTick != 0) {
        server->Ping = m_services.clock->tickCount() - server->PingSentTick;
        server->PingSentTick = 0;
    }
    if (m_log.isActive())
        m_log.log(address + QLatin1Char(':') + QString::number(port) + QStringLiteral(" -> ")
                  + QString::fromLatin1(datagram));
    if (ReplyCodec::parseServerReply(*server, datagram))
        m_table.syncListCounts(slot);
    Q_EMIT replyDecoded(slot, datagram);
}
