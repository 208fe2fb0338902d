#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// A UDP socket as the query engine sees it: bound to one local port on all
// addresses, sending to a numeric IPv4 address, handing every received
// datagram over with its sender.
class DatagramSocket : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DatagramSocket() override = default;

    // Port 0 binds an ephemeral port.
    virtual bool bind(quint16 port) = 0;
    virtual quint16 localPort() const = 0;
    virtual QString errorString() const = 0;
    virtual bool send(const QByteArray &datagram, quint32 ipv4Address, quint16 port) = 0;

Q_SIGNALS:
    void datagramReceived(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);
};
