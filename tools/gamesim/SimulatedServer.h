#pragma once

#include "QueryPortHub.h"
#include "SimulatedPlayer.h"
#include "SimulatedServerConfig.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QPointer>

#include <optional>

class QUdpSocket;

// One game server's UDP query port on 127.0.0.1. It answers the way the game's own
// UdpServerQuery does: one query id per request (1..100, shared by all clients),
// sections buffered and flushed before 1000 characters, \queryid\N.M on every
// packet and \final\ after the last one.
class SimulatedServer final : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedServer(const SimulatedServerConfig &config = {}, QObject *parent = nullptr);
    ~SimulatedServer() override;

    bool start();                  // binds 127.0.0.1:config().queryPort
    bool start(QueryPortHub &hub); // the same, served by hub
    void stop();
    bool isRunning() const;

    quint16 queryPort() const; // the bound port once started
    quint16 replyPort() const; // where replies leave from: the query port unless config().answerFromOtherPort
    quint16 gamePort() const;  // the \hostport\ value

    const SimulatedServerConfig &config() const { return m_config; }
    void setConfig(const SimulatedServerConfig &config); // the query port only counts before start()
    void setSilent(bool silent) { m_config.silent = silent; }
    void setLegacyPackets(bool legacy) { m_config.legacyPackets = legacy; }
    void setTeamScore(int team, double score);

    const QList<SimulatedPlayer> &players() const { return m_players; }
    void setPlayers(const QList<SimulatedPlayer> &players);
    void addPlayer(const SimulatedPlayer &player);
    bool removePlayer(const QString &name);
    bool setFrags(const QString &name, int frags);
    int playerCount() const { return int(m_players.size()); }

    // Handles one request datagram and returns the packets it gets in reply (none
    // for malformed requests or a silent server, and without the packets the
    // configured drop share loses). Takes a query id like a received datagram.
    QList<QByteArray> answer(const QByteArray &request);

    int lastQueryId() const { return m_queryId; }
    quint64 requestCount() const { return m_requestCount; }

    // \validate\ reply to a \secure\ challenge, keyed with the game's key.
    static QByteArray validate(const QByteArray &challenge);

    // Whether the drop share loses packet number packet (from 0) of reply number
    // request (from 1): a fixed function of its arguments, so a run can be repeated.
    static bool isDropped(quint64 dropSeed, quint64 request, int packet, int dropPercent);

private:
    class Reply;

    // The reply sections as the state gives them; made again after every change.
    struct Sections
    {
        QByteArray basic;
        QByteArray info;
        QByteArray rules;
        QByteArrayList players;
        QByteArrayList teams;
    };
    const Sections &sections() const;
    void prepareReplies();

    void readPendingDatagrams();
    void answerItem(const QByteArray &type, const QByteArray &value, bool final, Reply &reply) const;
    void sendPlayers(Reply &reply, bool final) const;
    QByteArray text(const QString &value) const;
    QByteArray basicSection() const;
    QByteArray infoSection() const;
    QByteArray rulesSection() const;
    QByteArray playerSection(int index) const;
    QByteArray teamSection(int team) const;

    SimulatedServerConfig m_config;
    QList<SimulatedPlayer> m_players;
    mutable std::optional<Sections> m_sections;
    QUdpSocket *m_socket = nullptr;
    QUdpSocket *m_replySocket = nullptr; // only when answering from another port
    QPointer<QueryPortHub> m_hub;
    QueryPortHub::Binding m_hubBinding;
    int m_queryId = 0;
    quint64 m_requestCount = 0;
};
