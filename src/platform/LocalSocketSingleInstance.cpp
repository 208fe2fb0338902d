#include "LocalSocketSingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace {
constexpr int kConnectTimeoutMs = 1000;
const QByteArray kActivate = QByteArrayLiteral("activate\n");
} // namespace

LocalSocketSingleInstance::LocalSocketSingleInstance(const QString &profileDirectory, QObject *parent)
    : SingleInstance(parent)
    , m_profileDirectory(profileDirectory)
    , m_serverName(serverNameForKey(profileDirectory))
{
}

LocalSocketSingleInstance::~LocalSocketSingleInstance() = default;

QString LocalSocketSingleInstance::serverNameForKey(const QString &key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("MainWindow-") + QString::fromLatin1(hash);
}

bool LocalSocketSingleInstance::claim()
{
    m_lock = std::make_unique<QLockFile>(QDir(m_profileDirectory).filePath(QStringLiteral("Quorvelin.lock")));
    // Only a lock whose process is gone is stale, however old it is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return listen();
    if (m_lock->error() != QLockFile::LockFailedError) {
        // A directory that takes no lock file: the socket alone has to do.
        m_lock.reset();
        return activateRunning() ? false : listen();
    }
    // Another start holds the profile; it may still be on its way to listening.
    const QDeadlineTimer deadline(kHandOverMs);
    while (!activateRunning() && !deadline.hasExpired())
        QThread::msleep(50);
    return false;
}

bool LocalSocketSingleInstance::listen()
{
    // No one else runs on this profile: a name left behind by a crashed run may still be there.
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
