#include "LocalSocketSingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr int kConnectTimeoutMs = 1000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");
}

LocalSocketSingleInstance::LocalSocketSingleInstance(const QString &key, QObject *parent)
    : SingleInstance(parent)
    , m_serverName(serverNameForKey(key))
{
}

QString LocalSocketSingleInstance::serverNameForKey(const QString &key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("MainWindow-") + QString::fromLatin1(hash);
}

bool LocalSocketSingleInstance::claim()
{
    if (activateRunning())
        return false;
    // No one answered: a name left behind by a crashed run may still be there.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName))
        return true; // Not fatal: the program runs, it just cannot be found by a second start.
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains(kActivate.trimmed()))
                    Q_EMIT activationRequested();
                peer->disconnectFromServer();
            });
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
    return true;
}

bool LocalSocketSingleInstance::activateRunning()
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivate);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return true;
}
