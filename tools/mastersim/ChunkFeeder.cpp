#include "ChunkFeeder.h"

#include <QTcpSocket>

#include <utility>

ChunkFeeder::ChunkFeeder(QTcpSocket *socket, Source source, int pauseMs)
    : QObject(socket)
    , m_socket(socket)
    , m_source(std::move(source))
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(pauseMs);
    connect(&m_pause, &QTimer::timeout, this, &ChunkFeeder::writeNext);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ChunkFeeder::topUp);
}

void ChunkFeeder::start()
{
    // Without Nagle's delay a small chunk is sent at once instead of waiting for company.
    if (m_pause.interval() > 0)
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    writeNext();
}

// One chunk per call: the next bytesWritten brings the next one once the
// buffer has drained below a chunk, or, with a pause, once it is empty and
// the pause is over.
void ChunkFeeder::topUp()
{
    if (m_pause.interval() > 0) {
        if (!m_finished && m_socket->bytesToWrite() == 0 && !m_pause.isActive())
            m_pause.start();
        return;
    }
    if (m_socket->bytesToWrite() < ChunkSize)
        writeNext();
}

void ChunkFeeder::writeNext()
{
    if (m_finished || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const QByteArray chunk = m_source();
    if (chunk.isEmpty()) {
        m_finished = true;
        Q_EMIT finished();
        return;
    }
    m_socket->write(chunk);
}
