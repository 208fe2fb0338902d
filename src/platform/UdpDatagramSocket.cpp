#include "UdpDatagramSocket.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace {
// Large enough that a burst of replies from a few hundred servers is not
// dropped by the kernel while the event loop is busy sending.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
// The largest UDP payload over IPv4.
constexpr qint64 kMaxDatagramBytes = 65507;
// What one wake-up handles at most before the event loop gets its turn
// again, so a flood of datagrams never stalls the window.
constexpr int kBatchDatagrams = 32;
constexpr qint64 kBatchNanoseconds = 4'000'000;
} // namespace

UdpDatagramSocket::UdpDatagramSocket(QObject *parent)
    : DatagramSocket(parent)
    , m_socket(new QUdpSocket(this))
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpDatagramSocket::readPending);
}

bool UdpDatagramSocket::bind(quint16 port)
{
    if (!m_socket->bind(QHostAddress::AnyIPv4, port))
        return false;
    m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kReceiveBufferBytes));
    return true;
}

quint16 UdpDatagramSocket::localPort() const
{
    return m_socket->localPort();
}

QString UdpDatagramSocket::errorString() const
{
    return m_socket->errorString();
}

bool UdpDatagramSocket::send(const QByteArray &datagram, quint32 ipv4Address, quint16 port)
{
    return m_socket->writeDatagram(datagram, QHostAddress(ipv4Address), port) == datagram.size();
}

void UdpDatagramSocket::readPending()
{
    // Reading with a fixed limit costs one system call a datagram, where
    // asking for each one's size first costs three. Whatever is left after a
    // batch wakes the read notifier again on the loop's next pass.
    QElapsedTimer batch;
    batch.start();
    for (int n = 0; n < kBatchDatagrams && (n == 0 || batch.nsecsElapsed() < kBatchNanoseconds); ++n) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(kMaxDatagramBytes);
        if (!datagram.isValid())
            break;
        QHostAddress sender = datagram.senderAddress();
        bool isV4 = false;
        const quint32 v4 = sender.toIPv4Address(&isV4);
        if (isV4)
            sender = QHostAddress(v4);
        Q_EMIT datagramReceived(datagram.data(), sender.toString(), static_cast<quint16>(datagram.senderPort()));
    }
}
