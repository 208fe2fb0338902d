#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// What a simulated version service answers.
struct SimulatedVersionConfig
{
    enum class Mode {
        Normal,
        PaddedMarker, // blanks and a tab around the marker
        Error,        // "[error]" as the version
        NoMarker,     // the marker in lower case
        TwoLines,     // only the address and the version lines
        Silent,       // reads the request, never answers nor closes
        NeverClose,   // answers, then keeps the connection open
        Refuse,       // takes a port, then stops listening on it
    };

    QByteArray version = "170";
    QByteArray address = "https://quorvelin.example/download/";
    Mode mode = Mode::Normal;
};

// The version service over HTTP on 127.0.0.1: each request is answered with
// a page whose last three lines are the marker, the download address and
// the version, and the connection closes. Every request is recorded.
class SimulatedVersionService final : public QObject
{
    Q_OBJECT

public:
    using Config = SimulatedVersionConfig;
    using Mode = SimulatedVersionConfig::Mode;

    explicit SimulatedVersionService(const Config &config = {}, QObject *parent = nullptr);
    ~SimulatedVersionService() override;

    // 127.0.0.1 only; 0 takes an ephemeral port. In Refuse mode the port is
    // released again at once, so connections to it are refused.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_port; } // the bound port, else 0
    void close();                           // stops listening and drops every open connection

    const Config &config() const { return m_config; }
    void setConfig(const Config &config) { m_config = config; } // for requests from now on

    // Each request as received, up to and including its empty line.
    const QList<QByteArray> &requests() const { return m_requests; }
    void clearRecords() { m_requests.clear(); }

    QByteArray answer() const;

Q_SIGNALS:
    void requestReceived(const QByteArray &request);

private:
    void acceptConnections();
    void readRequest(QTcpSocket *socket, QByteArray &buffer);
    void respond(QTcpSocket *socket);

    Config m_config;
    QTcpServer *m_server;
    quint16 m_port = 0;
    QList<QByteArray> m_requests;
};
