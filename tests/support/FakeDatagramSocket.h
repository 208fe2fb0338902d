#pragma once

#include "platform/DatagramSocket.h"
#include "platform/DatagramSocketFactory.h"

#include <QHostAddress>
#include <QList>
#include <QPointer>

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

// Hands out fake sockets and keeps track of them, in the order made.
class FakeSocketFactory final : public DatagramSocketFactory
{
public:
    std::unique_ptr<DatagramSocket> createSocket() override
    {
        auto socket = std::make_unique<FakeDatagramSocket>();
        created.append(socket.get());
        return socket;
    }

    // The socket made n-th from the end (0: the last one); null once it is closed.
    FakeDatagramSocket *recent(int n = 0) const
    {
        return n < created.size() ? created[created.size() - 1 - n].data() : nullptr;
    }

    QList<QPointer<FakeDatagramSocket>> created;
};
