#pragma once

#include "platform/DatagramSocket.h"

#include <QHostAddress>
#include <QList>

// Records what is sent; tests deliver replies with deliver().
class FakeDatagramSocket final : public DatagramSocket
{
    Q_OBJECT
public:
    struct Sent
    {
        QByteArray datagram;
        QString address;
        quint16 port;
    };

    using DatagramSocket::DatagramSocket;

    bool bind(quint16 port) override;
    quint16 localPort() const override { return m_port; }
    QString errorString() const override { return m_error; }
    bool send(const QByteArray &datagram, quint32 ipv4Address, quint16 port) override;

    void deliver(const QByteArray &datagram, const QString &address, quint16 port);

    QList<Sent> sent;
    bool failBind = false;

private:
    quint16 m_port = 0;
    QString m_error;
};
