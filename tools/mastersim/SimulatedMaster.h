#pragma once

#include "SimulatedMasterConfig.h"
#include "SimulatedTcpService.h"

#include <QByteArray>
#include <QList>

class MasterSession;

// A game master server on TCP 127.0.0.1: greets each client with a \secure\ challenge,
// checks its \validate\ answer (when validating), and answers \list\ requests with
// the configured servers' \ip\ entries and \list\info\ requests with their game
// types. Everything the clients send is recorded.
class SimulatedMaster final : public SimulatedTcpService
{
    Q_OBJECT

public:
    explicit SimulatedMaster(const SimulatedMasterConfig &config = {}, QObject *parent = nullptr);
    ~SimulatedMaster() override;

    void close() override; // stops listening and drops every open connection

    const SimulatedMasterConfig &config() const { return m_config; }
    void setConfig(const SimulatedMasterConfig &config); // for connections accepted from now on

    // Every client message in arrival order: each one ended by \final\, and what a
    // connection sent without one (a quiet \list\ request, or what was left at the close).
    const QList<QByteArray> &requests() const { return m_requests; }
    QByteArray lastListRequest() const { return m_lastListRequest; } // the last message with \list\ in it
    void clearRecords();

    int connectionCount() const { return m_connectionCount; } // accepted connections
    int refusedCount() const { return m_refusedCount; }       // missing or wrong \validate\ values
    int answeredCount() const { return m_answeredCount; }     // list and game type requests answered
    int openConnectionCount() const;

Q_SIGNALS:
    void requestReceived(const QByteArray &request);
    void connectionFinished();

private:
    void serve(QTcpSocket *socket) override;
    void record(const QByteArray &request);

    SimulatedMasterConfig m_config;
    QList<QByteArray> m_requests;
    QByteArray m_lastListRequest;
    int m_connectionCount = 0;
    int m_refusedCount = 0;
    int m_answeredCount = 0;
};
