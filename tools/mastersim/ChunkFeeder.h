#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

class QTcpSocket;

// Keeps a socket's write buffer topped up from a source of chunks, one chunk at a
// time as the peer takes the data, so long or endless replies neither pile up in
// memory nor hold the event loop.
class ChunkFeeder final : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 ChunkSize = 64 * 1024;

    using Source = std::function<QByteArray()>; // an empty chunk ends the stream

    // The feeder is a child of the socket and goes with it.
    ChunkFeeder(QTcpSocket *socket, Source source);

    void start();

Q_SIGNALS:
    void finished(); // the source ran dry and its last chunk is queued on the socket

private:
    void topUp();

    QTcpSocket *m_socket;
    Source m_source;
    bool m_finished = false;
};
