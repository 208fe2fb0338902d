#pragma once

#include "DatagramSocket.h"

class QUdpSocket;

class UdpDatagramSocket final : public DatagramSocket
{
    Q_OBJECT
public:
    explicit UdpDatagramSocket(QObject *parent = nullptr);

    bool bind(quint16 port) override;
    quint16 localPort() const override;
    QString errorString() const override;
    bool send(const QByteArray &datagram, quint32 ipv4Address, quint16 port) override;

private:
    void readPending();

    QUdpSocket *m_socket;
};
