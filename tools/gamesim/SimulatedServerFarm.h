#pragma once

#include "LanBeacon.h"
#include "QueryPortHub.h"
#include "SimulatedPlayer.h"
#include "SimulatedServerConfig.h"

#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>

class SimulatedServer;

// A set of varied simulated servers on consecutive query ports, with optional
// churn: players join and leave, frags, pings and team scores move. Everything
// follows from the RNG start value, so the same value gives the same farm.
// The query ports share one QueryPortHub where the system has one.
class SimulatedServerFarm final : public QObject
{
    Q_OBJECT

public:
    // Servers that fail their clients. The shares pick servers evenly over the
    // farm, so they hold for any count; none of this changes what the others send.
    struct Faults
    {
        int dropPercent = 0;    // of every server's reply datagrams, each lost on its own
        int silentPercent = 0;  // of the servers, which never answer
        int otherPortEvery = 0; // every Nth server (N, 2N, ...) answers from another port; 0: none
    };

    explicit SimulatedServerFarm(quint32 randomStart = 1, QObject *parent = nullptr);
    ~SimulatedServerFarm() override;

    void setFaults(const Faults &faults) { m_faults = faults; } // for the next start()

    // Creates count servers on basePort, basePort + 1, ... (basePort 0: ephemeral
    // ports). On a bind failure nothing is left running and false is returned.
    bool start(int count, quint16 basePort = 0);
    // The servers and first players start() makes, bound to no port: what a farm
    // of this start value shows, for another simulator to know.
    void create(int count, quint16 basePort = 0);
    void stop();
    QString errorString() const { return m_error; } // why the last start() failed

    // One beacon per server, in order, while ports in the range last; returns how many run.
    int startBeacons(quint16 firstPort = LanBeacon::kFirstPort, quint16 lastPort = LanBeacon::kLastPort);

    void setChurnInterval(int milliseconds); // 0 stops churning
    void churnOnce();

    int size() const { return int(m_servers.size()); }
    SimulatedServer *server(int index) const { return m_servers.value(index); }
    const QList<SimulatedServer *> &servers() const { return m_servers; }
    const QList<LanBeacon *> &beacons() const { return m_beacons; }

    static SimulatedServerConfig makeConfig(int index, QRandomGenerator &rng);
    // The game type of the server at index, whatever the start value.
    static QString gameTypeAt(int index);
    // Every name a player of this server may have, churn's newcomers included.
    static QStringList possiblePlayerNames(const SimulatedServer &server);

Q_SIGNALS:
    void churned();

private:
    SimulatedPlayer makePlayer(const SimulatedServer &server, bool latin1Name);
    void applyFaults(int index, SimulatedServerConfig &config) const;

    quint32 m_randomStart;
    QRandomGenerator m_rng;
    Faults m_faults;
    QueryPortHub m_hub;
    QString m_error;
    QList<SimulatedServer *> m_servers;
    QList<LanBeacon *> m_beacons;
    QTimer m_churnTimer;
};
