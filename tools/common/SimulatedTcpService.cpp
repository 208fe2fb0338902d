#include "SimulatedTcpService.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

SimulatedTcpService::SimulatedTcpService(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &SimulatedTcpService::acceptConnections);
}

SimulatedTcpService::~SimulatedTcpService()
{
    blockSignals(true);
    SimulatedTcpService::close();
}

bool SimulatedTcpService::listen(quint16 port)
{
    if (m_server->isListening())
        return true;
    if (!m_server->listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server->serverPort();
    return true;
}

bool SimulatedTcpService::isListening() const
{
    return m_server->isListening();
}

QString SimulatedTcpService::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void SimulatedTcpService::close()
{
    m_server->close();
    m_port = 0;
    const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->abort();
        socket->deleteLater();
    }
}

void SimulatedTcpService::stopListening()
{
    m_server->close();
}

void SimulatedTcpService::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (socket->parent() == m_server)
                socket->deleteLater();
        });
        serve(socket);
    }
}
