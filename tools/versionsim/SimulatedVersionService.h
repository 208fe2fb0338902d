#pragma once

#include "SimulatedTcpService.h"

#include <QByteArray>
#include <QList>

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
class SimulatedVersionService final : public SimulatedTcpService
{
    Q_OBJECT

public:
    using Config = SimulatedVersionConfig;
    using Mode = SimulatedVersionConfig::Mode;

    explicit SimulatedVersionService(const Config &config = {}, QObject *parent = nullptr);

    // 127.0.0.1 only; 0 takes an ephemeral port. In Refuse mode the port is
    // released again at once, so connections to it are refused.
    bool listen(quint16 port = 0) override;

    const Config &config() const { return m_config; }
    void setConfig(const Config &config) { m_config = config; } // for requests from now on

    // Each request as received, up to and including its empty line.
    const QList<QByteArray> &requests() const { return m_requests; }
    void clearRecords() { m_requests.clear(); }

    QByteArray answer() const;

Q_SIGNALS:
    void requestReceived(const QByteArray &request);

private:
    void serve(QTcpSocket *socket) override;
    void respond(QTcpSocket *socket, const QByteArray &request);

    Config m_config;
    QList<QByteArray> m_requests;
};
