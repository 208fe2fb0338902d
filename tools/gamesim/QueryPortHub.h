#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>

class QSocketNotifier;
class SimulatedServer;

// Serves the query ports of many simulated servers from one epoll set watched by
// a single socket notifier. A wake-up costs what the ready ports need, not a look
// at every port, so one process answers for thousands of servers. Requests go to
// SimulatedServer::answer() and its packets go back to the sender. Linux only;
// elsewhere isAvailable() is false and servers bind sockets of their own.
class QueryPortHub final : public QObject
{
    Q_OBJECT

public:
    struct Binding
    {
        quint16 port = 0;
        quint16 replyPort = 0; // where replies leave from: the query port unless asked otherwise
    };

    explicit QueryPortHub(QObject *parent = nullptr);
    ~QueryPortHub() override;

    bool isAvailable() const;

    // Binds 127.0.0.1:port (0: ephemeral) for server. With otherReplyPort the
    // replies leave from a second socket on an ephemeral port.
    std::optional<Binding> bind(SimulatedServer *server, quint16 port, bool otherReplyPort);
    void release(SimulatedServer *server);

    QString errorString() const { return m_error; } // why the last bind failed

private:
    struct Port;

    void readReady();
    void serve(Port &port);

    int m_epoll = -1;
    QSocketNotifier *m_notifier = nullptr;
    std::unordered_map<SimulatedServer *, std::unique_ptr<Port>> m_ports;
    QString m_error;
    QByteArray m_buffer; // one received datagram
};
