#include "FakeDatagramSocket.h"

bool FakeDatagramSocket::bind(quint16 port)
{
    if (failBind) {
        m_error = QStringLiteral("The bound address is already in use");
        return false;
    }
    m_port = port == 0 ? 50000 : port;
    return true;
}

bool FakeDatagramSocket::send(const QByteArray &datagram, quint32 ipv4Address, quint16 port)
{
    sent.append(Sent{datagram, QHostAddress(ipv4Address).toString(), port});
    return true;
}

void FakeDatagramSocket::deliver(const QByteArray &datagram, const QString &address, quint16 port)
{
    Q_EMIT datagramReceived(datagram, address, port);
}
