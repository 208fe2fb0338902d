#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QUdpSocket;

// An IPv4 UDP socket for many servers at once: datagrams to send are queued
// and leave together, and every datagram waiting is read in one pass. On
// Linux both go through sendmmsg and recvmmsg, a few system calls for a whole
// batch; elsewhere through QUdpSocket one datagram at a time.
class UdpBatchSocket final : public QObject
{
    Q_OBJECT
public:
    // Datagrams longer than this are dropped unread; no reply of the game
    // comes near it.
    static constexpr int kMaxDatagram = 16384;

    using Visit = std::function<void(const char *data, int size, quint32 ipv4, quint16 port)>;

    explicit UdpBatchSocket(QObject *parent = nullptr);
    ~UdpBatchSocket() override;

    // Binds an ephemeral port on every local address.
    bool open(QString *error);

    void queue(const QByteArray &datagram, quint32 ipv4, quint16 port);
    // Sends what is queued; a datagram the system refuses is dropped, as a
    // lost one would be.
    void flush();

    // Calls visit for every datagram waiting, then returns.
    void readAll(const Visit &visit);

Q_SIGNALS:
    void readyRead();

private:
    struct Outgoing
    {
        QByteArray data;
        quint32 ipv4;
        quint16 port;
    };
    std::vector<Outgoing> m_queue;
#ifdef Q_OS_LINUX
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    std::unique_ptr<char[]> m_buffers;
#else
    QUdpSocket *m_socket = nullptr;
#endif
};
