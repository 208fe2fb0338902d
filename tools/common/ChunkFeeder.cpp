#include "ChunkFeeder.h"

#include <QTcpSocket>

#include <algorithm>
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

// Chunks of up to kChunkSize bytes, filled across the pieces.
void ChunkFeeder::sendAndClose(QTcpSocket *socket, const QByteArrayList &pieces)
{
    auto *feeder = new ChunkFeeder(socket, [pieces, index = qsizetype(0), offset = qsizetype(0)]() mutable {
        QByteArray chunk;
        while (index < pieces.size() && chunk.size() < kChunkSize) {
            const QByteArray part = pieces.at(index).mid(offset, kChunkSize - chunk.size());
            chunk += part;
            offset += part.size();
            if (offset >= pieces.at(index).size()) {
                ++index;
                offset = 0;
            }
        }
        return chunk;
    });
    connect(feeder, &ChunkFeeder::finished, socket, &QTcpSocket::disconnectFromHost);
    feeder->start();
}

void ChunkFeeder::sendCut(QTcpSocket *socket, const QByteArray &bytes, QList<qsizetype> offsets, int pauseMs,
                          const std::function<void()> &then)
{
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    offsets.removeIf([&bytes](qsizetype at) { return at <= 0 || at >= bytes.size(); });
    if (offsets.isEmpty()) {
        socket->write(bytes);
        then();
        return;
    }
    offsets.append(bytes.size());
    auto next = [bytes, offsets, index = qsizetype(0), from = qsizetype(0)]() mutable {
        if (index == offsets.size())
            return QByteArray();
        const qsizetype to = offsets.at(index++);
        const QByteArray piece = bytes.mid(from, to - from);
        from = to;
        return piece;
    };
    auto *feeder = new ChunkFeeder(socket, next, pauseMs);
    connect(feeder, &ChunkFeeder::finished, feeder, then);
    feeder->start();
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
    if (m_socket->bytesToWrite() < kChunkSize)
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
