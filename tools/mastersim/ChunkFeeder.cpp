#include "ChunkFeeder.h"

#include <QTcpSocket>

#include <utility>

ChunkFeeder::ChunkFeeder(QTcpSocket *socket, Source source)
    : QObject(socket)
    , m_socket(socket)
    , m_source(std::move(source))
{
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ChunkFeeder::topUp);
}

void ChunkFeeder::start()
{
    topUp();
}

// One chunk per call: the next bytesWritten brings the next one once the
// buffer has drained below a chunk.
void ChunkFeeder::topUp()
{
    if (m_finished || m_socket->state() != QAbstractSocket::ConnectedState
        || m_socket->bytesToWrite() >= ChunkSize)
        return;
    const QByteArray chunk = m_source();
    if (chunk.isEmpty()) {
        m_finished = true;
        Q_EMIT finished();
        return;
    }
    m_socket->write(chunk);
}
