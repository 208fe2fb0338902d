#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpSocket;

// Keeps a socket's write buffer topped up from a source of chunks, one chunk at a
// time as the peer takes the data, so long or endless replies neither pile up in
// memory nor hold the event loop. With a pause, each chunk leaves on its own: the
// next one is written a pause after the one before has gone out, so the peer gets
// every chunk in a TCP segment of its own.
class ChunkFeeder final : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kChunkSize = 64 * 1024;

    using Source = std::function<QByteArray()>; // an empty chunk ends the stream

    // The feeder is a child of the socket and goes with it.
    ChunkFeeder(QTcpSocket *socket, Source source, int pauseMs = 0);

    void start();

    // Writes the pieces end to end, then closes the connection.
    static void sendAndClose(QTcpSocket *socket, const QByteArrayList &pieces);
    // Writes the bytes in pieces cut at the offsets, each pauseMs after the one
    // before has gone out, then runs then. The offsets may come in any order;
    // those outside the bytes are passed over, and without a cut left the bytes
    // go at once and then runs before this returns.
    static void sendCut(QTcpSocket *socket, const QByteArray &bytes, QList<qsizetype> offsets, int pauseMs,
                        const std::function<void()> &then);

Q_SIGNALS:
    void finished(); // the source ran dry and its last chunk is queued on the socket

private:
    void topUp();
    void writeNext();

    QTcpSocket *m_socket;
    Source m_source;
    QTimer m_pause;
    bool m_finished = false;
};
