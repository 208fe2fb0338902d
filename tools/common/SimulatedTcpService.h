#pragma once

#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// What the simulators that serve TCP share: a listener on 127.0.0.1, each
// accepted connection handed to serve(), and the open ones dropped on close().
class SimulatedTcpService : public QObject
{
    Q_OBJECT

public:
    ~SimulatedTcpService() override;

    virtual bool listen(quint16 port = 0);  // 127.0.0.1 only; 0 takes an ephemeral port
    quint16 port() const { return m_port; } // the bound port from listen() to close(), else 0
    bool isListening() const;
    QString address() const; // "127.0.0.1:<port>"
    virtual void close();    // stops listening and drops every open connection

protected:
    explicit SimulatedTcpService(QObject *parent = nullptr);

    // Each accepted connection, once. The socket stays the service's and is
    // deleted once the client has gone, unless serve gives it another parent.
    virtual void serve(QTcpSocket *socket) = 0;
    // Gives the port up but keeps port() as it was, so connections to it are refused.
    void stopListening();

private:
    void acceptConnections();

    QTcpServer *m_server;
    quint16 m_port = 0;
};
