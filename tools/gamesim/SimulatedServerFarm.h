#pragma once

#include "LanBeacon.h"
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
class SimulatedServerFarm final : public QObject
{
    Q_OBJECT

public:
    explicit SimulatedServerFarm(quint32 randomStart = 1, QObject *parent = nullptr);
    ~SimulatedServerFarm() override;

    // Creates count servers on basePort, basePort + 1, ... (basePort 0: ephemeral
    // ports). On a bind failure nothing is left running and false is returned.
    bool start(int count, quint16 basePort = 0);
    void stop();

    // One beacon per server, in order, while ports in the range last; returns how many run.
    int startBeacons(quint16 firstPort = LanBeacon::FirstPort, quint16 lastPort = LanBeacon::LastPort);

    void setChurnInterval(int milliseconds); // 0 stops churning
    void churnOnce();

    int size() const { return int(m_servers.size()); }
    SimulatedServer *server(int index) const { return m_servers.value(index); }
    const QList<SimulatedServer *> &servers() const { return m_servers; }
    const QList<LanBeacon *> &beacons() const { return m_beacons; }

    static SimulatedServerConfig makeConfig(int index, QRandomGenerator &rng);

Q_SIGNALS:
    void churned();

private:
    SimulatedPlayer makePlayer(const SimulatedServer &server, bool latin1Name);

    QRandomGenerator m_rng;
    QList<SimulatedServer *> m_servers;
    QList<LanBeacon *> m_beacons;
    QTimer m_churnTimer;
};
