#include "SimulatedServerFarm.h"

#include "SimulatedServer.h"

#include <algorithm>
#include <array>

namespace {

struct MapChoice
{
    const char *name;
    const char *title;
};

struct GameTypeMaps
{
    const char *type;
    std::array<MapChoice, 2> maps;
};

// Game types cycle with the server index so small farms still mix them; each
// type's two maps take turns from one round of types to the next.
constexpr std::array<GameTypeMaps, 6> kGameTypes = {{
    {"DeathMatchPlus", {{{"DM-Deck16][", "Deck16]["}, {"DM-Phobos", "Phobos Moon"}}}},
    {"CTFGame", {{{"CTF-Face", "Facing Worlds"}, {"CTF-Coret", "Coret"}}}},
    {"TeamGamePlus", {{{"DM-Morpheus", "Morpheus"}, {"DM-Curse][", "Curse]["}}}},
    {"Domination", {{{"DOM-Sesmar", "Sesmar"}, {"DOM-Condemned", "Condemned"}}}},
    {"Assault", {{{"AS-Frigate", "Frigate"}, {"AS-Rook", "Rook"}}}},
    {"LastManStanding", {{{"DM-Tempest", "Tempest"}, {"DM-Agony", "Agony"}}}},
}};

constexpr std::array<const char *, 8> kHostPrefixes = {"Quorvelin Sim", "Frag Zone",   "Old Skool",
                                                       "LAN Party",     "Clan Base",   "Instagib Heaven",
                                                       "Night Owls",    "Rocket Arena"};
constexpr std::array<int, 8> kCapacities = {8, 10, 12, 14, 16, 20, 24, 32};
constexpr std::array<int, 4> kVersions = {451, 469, 440, 436};
constexpr std::array<const char *, 6> kMutators = {"InstaGib",    "Chainsaw Melee", "No Redeemer",
                                                   "Low Gravity", "SmartCTF 4E",    "Stealth"};
constexpr std::array<const char *, 3> kGameStyles = {"Classic", "Hardcore", "Turbo"};

// Latin-1 names go out as single bytes (0xF6 for the o umlaut).
const std::array<QString, 6> kLatin1Names = {QStringLiteral("J\u00f6rg"), QStringLiteral("S\u00f8ren"),
                                             QStringLiteral("Zo\u00eb"),  QStringLiteral("Fran\u00e7ois"),
                                             QStringLiteral("Pe\u00f1a"), QStringLiteral("\u00c5sa")};
constexpr std::array<const char *, 14> kPlainNames = {"Raptor", "Loque",      "Malcolm",   "Xan",       "Brock",
                                                      "Visse",  "Cilia",      "Tamerlane", "[UTA]Dart", "|XO|Kenny",
                                                      "Sniper", "FragMaster", "Player",    "ShockJoe"};

// A mesh with a skin and a face from one skin package.
struct Look
{
    const char *mesh;
    const char *package;
    const char *skin;
    const char *face;
};
constexpr std::array<Look, 5> kLooks = {{
    {"Male Commando", "CommandoSkins", "cmdo", "Blake"},
    {"Female Commando", "FCommandoSkins", "cmdo", "Gromida"},
    {"Male Soldier", "SoldierSkins", "blkt", "Malcolm"},
    {"Female Soldier", "SGirlSkins", "army", "Lauren"},
    {"Boss", "BossSkins", "boss", "Xan"},
}};

// Server index i is in a share when (i + 1) * percent / 100 steps up there, which
// spreads exactly count * percent / 100 (rounded down) of any first count servers evenly.
bool inShare(int index, int percent)
{
    return (qint64(index) + 1) * percent / 100 > qint64(index) * percent / 100;
}

template<typename T, std::size_t N>
const T &pick(const std::array<T, N> &items, QRandomGenerator &rng)
{
    return items[std::size_t(rng.bounded(int(N)))];
}

} // namespace

SimulatedServerFarm::SimulatedServerFarm(quint32 randomStart, QObject *parent)
    : QObject(parent)
    , m_randomStart(randomStart)
    , m_rng(randomStart)
{
    connect(&m_churnTimer, &QTimer::timeout, this, &SimulatedServerFarm::churnOnce);
}

SimulatedServerFarm::~SimulatedServerFarm()
{
    stop();
}

SimulatedServerConfig SimulatedServerFarm::makeConfig(int index, QRandomGenerator &rng)
{
    const GameTypeMaps &game = kGameTypes[std::size_t(index) % kGameTypes.size()];
    const MapChoice &map = game.maps[std::size_t(index) / kGameTypes.size() % game.maps.size()];
    SimulatedServerConfig c;
    c.setGameType(QLatin1String(game.type));
    c.mapName = QLatin1String(map.name);
    c.mapTitle = QLatin1String(map.title);
    c.hostname = QStringLiteral("%1 %2 #%3").arg(QLatin1String(pick(kHostPrefixes, rng)), c.beaconName).arg(index + 1);
    c.maxPlayers = pick(kCapacities, rng);
    c.gameVersion = pick(kVersions, rng);
    c.gameStyle = QLatin1String(pick(kGameStyles, rng));
    c.timeLimit = rng.bounded(0, 4) * 10;
    c.fragLimit = rng.bounded(2, 7) * 10;
    c.goalTeamScore = c.gameType == QLatin1String("CTFGame") ? rng.bounded(0, 6) : rng.bounded(0, 3) * 50;
    c.minPlayers = rng.bounded(3) == 0 ? rng.bounded(2, 7) : 0;
    c.botSkill = rng.bounded(8);
    c.tournament = rng.bounded(6) == 0;
    c.passworded = rng.bounded(8) == 0;
    for (int m = rng.bounded(3); m > 0; --m) {
        const QString mutator = QLatin1String(pick(kMutators, rng));
        if (!c.mutators.contains(mutator))
            c.mutators.append(mutator);
    }
    if (rng.bounded(2) == 0) {
        c.adminName = QStringLiteral("Admin%1").arg(index + 1);
        c.adminEmail = QStringLiteral("admin%1@example.org").arg(index + 1);
    }
    return c;
}

QString SimulatedServerFarm::gameTypeAt(int index)
{
    return QLatin1String(kGameTypes[std::size_t(index) % kGameTypes.size()].type);
}

// A name taken on the server gets the lowest free number from 2 up, so no
// newcomer's number passes the server's capacity.
QStringList SimulatedServerFarm::possiblePlayerNames(const SimulatedServer &server)
{
    QStringList bases = QStringList(kLatin1Names.cbegin(), kLatin1Names.cend());
    for (const char *name : kPlainNames)
        bases.append(QLatin1String(name));
    QStringList names = bases;
    for (int n = 2; n <= server.config().maxPlayers; ++n) {
        for (const QString &base : std::as_const(bases))
            names.append(base + QString::number(n));
    }
    return names;
}

SimulatedPlayer SimulatedServerFarm::makePlayer(const SimulatedServer &server, bool latin1Name)
{
    const SimulatedServerConfig &c = server.config();
    QString name = latin1Name ? pick(kLatin1Names, m_rng) : QLatin1String(pick(kPlainNames, m_rng));
    const auto taken = [&](const QString &candidate) {
        return std::any_of(server.players().cbegin(), server.players().cend(),
                           [&](const SimulatedPlayer &p) { return p.name == candidate; });
    };
    const QString base = name;
    for (int n = 2; taken(name); ++n)
        name = base + QString::number(n);

    const Look &look = pick(kLooks, m_rng);
    SimulatedPlayer p;
    p.name = name;
    p.frags = m_rng.bounded(0, 31);
    p.ping = m_rng.bounded(20, 250);
    p.mesh = QLatin1String(look.mesh);
    p.skin = QStringLiteral("%1.%2").arg(QLatin1String(look.package), QLatin1String(look.skin));
    p.face = QStringLiteral("%1.%2").arg(QLatin1String(look.package), QLatin1String(look.face));
    p.ngsecret = m_rng.bounded(5) == 0 ? QStringLiteral("false") : QStringLiteral("true");
    if (c.teamGame) {
        // Join the smaller team, as balanced servers do.
        std::array<int, 4> sizes{};
        for (const SimulatedPlayer &other : server.players())
            if (other.team >= 0 && other.team < c.maxTeams && other.team < 4)
                ++sizes[std::size_t(other.team)];
        const int teams = std::clamp(c.maxTeams, 1, 4);
        p.team = int(std::min_element(sizes.begin(), sizes.begin() + teams) - sizes.begin());
    } else {
        p.team = 255;
    }
    return p;
}

void SimulatedServerFarm::applyFaults(int index, SimulatedServerConfig &config) const
{
    config.silent = inShare(index, m_faults.silentPercent);
    config.answerFromOtherPort = m_faults.otherPortEvery > 0 && (index + 1) % m_faults.otherPortEvery == 0;
    config.dropPercent = m_faults.dropPercent;
    config.dropSeed = quint64(m_randomStart) << 32 | quint32(index);
}

bool SimulatedServerFarm::start(int count, quint16 basePort)
{
    stop();
    m_error.clear();
    if (basePort != 0 && int(basePort) + count - 1 > 65535) {
        m_error = QStringLiteral("the ports run out above 65535");
        return false;
    }
    create(count, basePort);
    for (SimulatedServer *server : std::as_const(m_servers)) {
        if (m_hub.isAvailable() ? !server->start(m_hub) : !server->start()) {
            m_error = m_hub.isAvailable() ? m_hub.errorString()
                                          : QStringLiteral("cannot bind port %1").arg(server->config().queryPort);
            stop();
            return false;
        }
    }
    return true;
}

void SimulatedServerFarm::create(int count, quint16 basePort)
{
    stop();
    for (int i = 0; i < count; ++i) {
        SimulatedServerConfig c = makeConfig(i, m_rng);
        c.queryPort = basePort == 0 ? quint16(0) : quint16(basePort + i);
        applyFaults(i, c);
        auto *server = new SimulatedServer(c, this);
        m_servers.append(server);
        // One name with non-ASCII bytes on every server that starts with two or more players.
        const int initial = m_rng.bounded(0, c.maxPlayers * 3 / 4 + 1);
        for (int p = 0; p < initial; ++p)
            server->addPlayer(makePlayer(*server, p == 1));
        for (std::size_t team = 0; c.teamGame && team < c.teamScores.size(); ++team)
            server->setTeamScore(int(team), int(team) < c.maxTeams ? m_rng.bounded(0, 5) : 0);
    }
}

void SimulatedServerFarm::stop()
{
    m_churnTimer.stop();
    qDeleteAll(m_beacons);
    m_beacons.clear();
    qDeleteAll(m_servers);
    m_servers.clear();
}

int SimulatedServerFarm::startBeacons(quint16 firstPort, quint16 lastPort)
{
    quint16 next = firstPort;
    for (SimulatedServer *server : std::as_const(m_servers)) {
        if (firstPort != 0 && next > lastPort)
            break;
        auto *beacon = new LanBeacon(server, this);
        if (!beacon->start(next, lastPort)) {
            delete beacon;
            break;
        }
        m_beacons.append(beacon);
        if (firstPort != 0)
            next = quint16(beacon->port() + 1);
    }
    return int(m_beacons.size());
}

void SimulatedServerFarm::setChurnInterval(int milliseconds)
{
    if (milliseconds > 0)
        m_churnTimer.start(milliseconds);
    else
        m_churnTimer.stop();
}

void SimulatedServerFarm::churnOnce()
{
    for (SimulatedServer *server : std::as_const(m_servers)) {
        const SimulatedServerConfig &c = server->config();
        if (server->playerCount() < c.maxPlayers && m_rng.bounded(4) == 0)
            server->addPlayer(makePlayer(*server, m_rng.bounded(4) == 0));
        if (server->playerCount() > 0 && m_rng.bounded(5) == 0)
            server->removePlayer(server->players().at(m_rng.bounded(server->playerCount())).name);

        QList<SimulatedPlayer> players = server->players();
        for (SimulatedPlayer &p : players) {
            if (m_rng.bounded(2) == 0)
                p.frags += m_rng.bounded(-1, 4);
            p.ping = std::clamp(p.ping + m_rng.bounded(-10, 11), 5, 999);
        }
        server->setPlayers(players);
        if (c.teamGame && m_rng.bounded(3) == 0) {
            const int team = m_rng.bounded(std::clamp(c.maxTeams, 1, 4));
            server->setTeamScore(team, c.teamScores[std::size_t(team)] + 1);
        }
    }
    Q_EMIT churned();
}
