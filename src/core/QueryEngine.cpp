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
    m_table.setClock(m_services.clock);
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

QueryEngine::Sent QueryEngine::sendQuery(int slot, const QByteArray &query)
{
    TUTServer *server = m_table.server(slot);
    if (!server || DottedAddress::isUnset(server->Host))
        return Sent::NotSent;
    switch (m_table.addressState(slot)) {
    case ServerTable::AddressState::Known: break;
    case ServerTable::AddressState::Failed:
        // A name that did not resolve is tried again, and asked once it does.
        m_table.lookUpAgain(slot);
        return Sent::NotSent;
    case ServerTable::AddressState::LookingUp: return Sent::NotSent;
    }

    if (m_log.isActive())
        m_log.log(QStringLiteral("send ") + QString::fromLatin1(query) + QStringLiteral(" to ") + server->Host
                  + QLatin1Char(':') + QString::number(server->queryPort()));

    const DottedAddress address = DottedAddress::parse(server->Host);
    if (!address.ok) {
        Q_EMIT sendFailed(address.error);
        return Sent::Failed;
    }
    const int port = server->queryPort();
    if (port <= 0 || port > 65535) {
        m_log.log(QStringLiteral("not sent: port ") + QString::number(port) + QStringLiteral(" is out of range"));
        return Sent::NotSent;
    }
    if (!m_socket.send(query, address.ipv4, static_cast<quint16>(port)))
        m_log.log(QStringLiteral("send failed: ") + m_socket.errorString());

    if (server->PingSentTick == 0)
        server->PingSentTick = m_services.clock->tickCount();
    return Sent::Yes;
}

QueryEngine::Sent QueryEngine::sendQueries(int slot, std::initializer_list<QByteArray> queries)
{
    for (const QByteArray &query : queries) {
        const Sent sent = sendQuery(slot, query);
        if (sent != Sent::Yes)
            return sent;
    }
    return Sent::Yes;
}

QueryEngine::Sent QueryEngine::queryServer(int slot)
{
    return sendQueries(slot, {QByteArrayLiteral("\\info\\"), QByteArrayLiteral("\\players\\"),
                              QByteArrayLiteral("\\rules\\"), QByteArrayLiteral("\\teams\\")});
}

QueryEngine::Sent QueryEngine::scanServer(int slot)
{
    // "\info\" first: only its reply carries the player count the load box
    // and the net change are made of.
    return asRound(slot, sendQueries(slot, {QByteArrayLiteral("\\info\\"), QByteArrayLiteral("\\players\\"),
                                            QByteArrayLiteral("\\teams\\")}));
}

QueryEngine::Sent QueryEngine::asRound(int slot, Sent sent)
{
    if (sent == Sent::Yes)
        m_table.noteAsked(slot);
    return sent;
}

PacedWalk::Step QueryEngine::stepFor(Sent sent)
{
    switch (sent) {
    case Sent::Yes: return PacedWalk::Step::Paused;
    case Sent::NotSent: return PacedWalk::Step::Skipped;
    case Sent::Failed: break;
    }
    return PacedWalk::Step::Stopped;
}

PacedWalk *QueryEngine::createQueryWalk(QObject *parent)
{
    return new PacedWalk(
        m_table, [this](int slot, int) { return stepFor(asRound(slot, queryServer(slot))); }, parent);
}

void QueryEngine::stopReceiving()
{
    disconnect(&m_socket, &DatagramSocket::datagramReceived, this, &QueryEngine::handleDatagram);
}

void QueryEngine::logUnknownSender(const QString &address, quint16 port)
{
    if (!m_log.isActive())
        return;
    // A flood from strangers must not bury the log: a few lines a second,
    // and a count of what was left out.
    const quint32 now = m_services.clock->tickCount();
    if (now - m_unknownWindowStart >= 1000) {
        m_unknownWindowStart = now;
        m_unknownInWindow = 0;
    }
    if (++m_unknownInWindow > kUnknownSenderLinesPerSecond) {
        ++m_unknownSuppressed;
        return;
    }
    QString line =
        QStringLiteral("received data from unknown location : ") + address + QLatin1Char(':') + QString::number(port);
    if (m_unknownSuppressed > 0) {
        line += QStringLiteral(" (%1 more from unknown locations not shown)").arg(m_unknownSuppressed);
        m_unknownSuppressed = 0;
    }
    m_log.log(line);
}

QString QueryEngine::datagramLogText(const QByteArray &datagram)
{
    if (datagram.size() <= kLoggedDatagramBytes)
        return QString::fromLatin1(datagram);
    return QString::fromLatin1(datagram.left(kLoggedDatagramBytes))
           + QStringLiteral("... (%1 bytes in all)").arg(datagram.size());
}

void QueryEngine::handleDatagram(const QByteArray &datagram, const QString &address, quint16 port)
{
    const int slot = m_table.slotForSender(address, port);
    if (slot < 0) {
        logUnknownSender(address, port);
        return;
    }
    TUTServer *server = m_table.server(slot);
    if (server->PingSentTick != 0) {
        server->Ping = m_services.clock->tickCount() - server->PingSentTick;
        server->PingSentTick = 0;
    }
    if (m_log.isActive())
        m_log.log(address + QLatin1Char(':') + QString::number(port) + QStringLiteral(" -> ")
                  + datagramLogText(datagram));
    if (ReplyCodec::parseServerReply(*server, datagram))
        m_table.syncListCounts(slot);
    m_table.noteReply(slot, datagram);
    Q_EMIT replyDecoded(slot, datagram);
}
