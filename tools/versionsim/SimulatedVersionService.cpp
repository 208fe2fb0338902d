#include "SimulatedVersionService.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace {

constexpr qsizetype MaxRequestSize = 16 * 1024;

constexpr QByteArrayView Marker = "<!-- KORVANDEL VERSION DATABASE";

QByteArray markerLine(SimulatedVersionService::Mode mode)
{
    using Mode = SimulatedVersionService::Mode;
    if (mode == Mode::PaddedMarker)
        return "  \t" + Marker.toByteArray() + " \t";
    if (mode == Mode::NoMarker)
        return Marker.toByteArray().toLower();
    return Marker.toByteArray();
}

} // namespace

SimulatedVersionService::SimulatedVersionService(const Config &config, QObject *parent)
    : QObject(parent)
    , m_config(config)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &SimulatedVersionService::acceptConnections);
}

SimulatedVersionService::~SimulatedVersionService()
{
    blockSignals(true);
    close();
}

bool SimulatedVersionService::listen(quint16 port)
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server->serverPort();
    if (m_config.mode == Mode::Refuse)
        m_server->close();
    return true;
}

void SimulatedVersionService::close()
{
    m_server->close();
    m_port = 0;
    const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->abort();
        socket->deleteLater();
    }
}

QByteArray SimulatedVersionService::answer() const
{
    const QByteArray version = m_config.mode == Mode::Error ? QByteArray("[error]") : m_config.version;
    if (m_config.mode == Mode::TwoLines)
        return m_config.address + "\r\n" + version;
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
           "<html><head><title>Quorvelin</title></head><body>Latest release</body></html>\r\n"
        + markerLine(m_config.mode) + "\r\n" + m_config.address + "\r\n" + version;
}

void SimulatedVersionService::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] { readRequest(socket, *buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Waits for the empty line that ends the request; a client that never sends
// one is cut off once it has sent too much.
void SimulatedVersionService::readRequest(QTcpSocket *socket, QByteArray &buffer)
{
    buffer += socket->readAll();
    if (buffer.indexOf("\r\n\r\n") < 0 && buffer.indexOf("\n\n") < 0) {
        if (buffer.size() > MaxRequestSize)
            socket->abort();
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    m_requests.append(buffer);
    buffer.clear();
    Q_EMIT requestReceived(m_requests.constLast());
    respond(socket);
}

void SimulatedVersionService::respond(QTcpSocket *socket)
{
    if (m_config.mode == Mode::Silent)
        return;
    socket->write(answer());
    if (m_config.mode != Mode::NeverClose)
        socket->disconnectFromHost();
}
