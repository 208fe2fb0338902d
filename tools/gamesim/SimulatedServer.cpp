#include "SimulatedServer.h"

#include "core/Windows1252.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <array>
#include <optional>

namespace {

constexpr qsizetype kMaxReplyChars = 1000;
constexpr int kQueryIdLimit = 100;
const std::array<const char *, 4> kTeamNames = {"Red", "Blue", "Green", "Gold"};

// string(bool) in UnrealScript
QByteArray scriptBool(bool value)
{
    return value ? QByteArrayLiteral("True") : QByteArrayLiteral("False");
}

// UnrealScript's Left()/Right(): a count below one yields an empty string.
QByteArray scriptLeft(const QByteArray &s, qsizetype count)
{
    return count <= 0 ? QByteArray() : s.left(count);
}

QByteArray scriptRight(const QByteArray &s, qsizetype count)
{
    return count <= 0 ? QByteArray() : s.right(count);
}

QByteArray pair(const char *key, const QByteArray &value)
{
    return '\\' + QByteArray(key) + '\\' + value;
}

QByteArray indexedPair(const char *key, int index, const QByteArray &value)
{
    return '\\' + QByteArray(key) + '_' + QByteArray::number(index) + '\\' + value;
}

struct QueryItem
{
    QByteArray type;
    QByteArray value;
    QByteArray rest;
    bool final = false;
};

// Mirrors UdpServerQuery.ParseNextQuery, quirks included: "\status" (no closing
// backslash) comes out as an empty, unknown type, and only the last item is final.
std::optional<QueryItem> parseNextQuery(const QByteArray &query)
{
    if (query.isEmpty() || query.front() != '\\')
        return std::nullopt;
    const qsizetype found = query.indexOf('\\', 1);
    const qsizetype closing = found < 0 ? -1 : found - 1;
    if (closing == 0)
        return std::nullopt;

    QueryItem item;
    item.type = scriptLeft(query.mid(1), closing);
    item.rest = scriptRight(query, query.size() - (item.type.size() + 2));
    if (item.rest.size() <= 1) {
        item.final = true;
        return item;
    }
    if (item.rest.front() == '\\')
        return item;

    const qsizetype valueEnd = item.rest.indexOf('\\');
    item.value = valueEnd >= 0 ? item.rest.left(valueEnd) : item.rest;
    item.rest = scriptRight(query, query.size() - (item.type.size() + item.value.size() + 3));
    item.final = item.rest.isEmpty();
    return item;
}

} // namespace

// Collects the packets of one reply the way SendQueryPacket does.
class SimulatedServer::Reply final
{
public:
    explicit Reply(int queryId, bool legacy)
        : m_queryId(queryId)
        , m_legacy(legacy)
    {
    }

    void send(const QByteArray &section, bool final)
    {
        if (m_legacy) {
            // Pre-451 servers sent every section on its own, final first.
            m_packets.append(section + (final ? QByteArrayLiteral("\\final\\") : QByteArray()) + nextQueryId());
            return;
        }
        if (m_buffer.size() + section.size() > kMaxReplyChars)
            flush(false);
        m_buffer += section;
        if (final)
            flush(true);
    }

    QList<QByteArray> packets() const { return m_packets; }

private:
    QByteArray nextQueryId()
    {
        return "\\queryid\\" + QByteArray::number(m_queryId) + '.' + QByteArray::number(++m_packetNum);
    }

    void flush(bool final)
    {
        m_buffer += nextQueryId();
        if (final)
            m_buffer += "\\final\\";
        m_packets.append(m_buffer);
        m_buffer.clear();
    }

    int m_queryId;
    bool m_legacy;
    int m_packetNum = 0;
    QByteArray m_buffer;
    QList<QByteArray> m_packets;
};

SimulatedServer::SimulatedServer(const SimulatedServerConfig &config, QObject *parent)
    : QObject(parent)
    , m_config(config)
{
}

SimulatedServer::~SimulatedServer()
{
    stop();
}

bool SimulatedServer::start()
{
    if (isRunning())
        return true;
    m_socket = new QUdpSocket(this);
    if (m_config.answerFromOtherPort)
        m_replySocket = new QUdpSocket(this);
    if (!m_socket->bind(QHostAddress::LocalHost, m_config.queryPort)
        || (m_replySocket && !m_replySocket->bind(QHostAddress::LocalHost, 0))) {
        stop();
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &SimulatedServer::readPendingDatagrams);
    prepareReplies();
    return true;
}

bool SimulatedServer::start(QueryPortHub &hub)
{
    if (isRunning())
        return true;
    const std::optional<QueryPortHub::Binding> binding =
        hub.bind(this, m_config.queryPort, m_config.answerFromOtherPort);
    if (!binding)
        return false;
    m_hub = &hub;
    m_hubBinding = *binding;
    prepareReplies();
    return true;
}

// The bound port is in \info\; made now, the first query costs no more than the next.
void SimulatedServer::prepareReplies()
{
    m_sections.reset();
    sections();
}

void SimulatedServer::stop()
{
    if (m_hub)
        m_hub->release(this);
    m_hub = nullptr;
    m_hubBinding = {};
    delete m_socket;
    m_socket = nullptr;
    delete m_replySocket;
    m_replySocket = nullptr;
    m_sections.reset();
}

bool SimulatedServer::isRunning() const
{
    return m_socket != nullptr || m_hub != nullptr;
}

quint16 SimulatedServer::queryPort() const
{
    if (m_hub)
        return m_hubBinding.port;
    return m_socket ? m_socket->localPort() : m_config.queryPort;
}

quint16 SimulatedServer::replyPort() const
{
    if (m_hub)
        return m_hubBinding.replyPort;
    return m_replySocket ? m_replySocket->localPort() : queryPort();
}

quint16 SimulatedServer::gamePort() const
{
    if (m_config.gamePort != 0)
        return m_config.gamePort;
    return queryPort() > 0 ? quint16(queryPort() - 1) : quint16(0);
}

void SimulatedServer::setConfig(const SimulatedServerConfig &config)
{
    m_config = config;
    m_sections.reset();
}

void SimulatedServer::setPlayers(const QList<SimulatedPlayer> &players)
{
    m_players = players;
    m_sections.reset();
}

void SimulatedServer::addPlayer(const SimulatedPlayer &player)
{
    m_players.append(player);
    m_sections.reset();
}

void SimulatedServer::setTeamScore(int team, double score)
{
    if (team >= 0 && team < int(m_config.teamScores.size()))
        m_config.teamScores[std::size_t(team)] = score;
    m_sections.reset();
}

bool SimulatedServer::removePlayer(const QString &name)
{
    m_sections.reset();
    return m_players.removeIf([&](const SimulatedPlayer &p) { return p.name == name; }) > 0;
}

bool SimulatedServer::setFrags(const QString &name, int frags)
{
    for (SimulatedPlayer &player : m_players) {
        if (player.name == name) {
            player.frags = frags;
            m_sections.reset();
            return true;
        }
    }
    return false;
}

void SimulatedServer::readPendingDatagrams()
{
    while (m_socket && m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram request = m_socket->receiveDatagram();
        if (!request.isValid())
            continue;
        QUdpSocket *from = m_replySocket ? m_replySocket : m_socket;
        for (const QByteArray &packet : answer(request.data()))
            from->writeDatagram(packet, request.senderAddress(), quint16(request.senderPort()));
    }
}

QList<QByteArray> SimulatedServer::answer(const QByteArray &request)
{
    ++m_requestCount;
    m_queryId = m_queryId % kQueryIdLimit + 1;
    Reply reply(m_queryId, m_config.legacyPackets);

    // Every item consumes at least two bytes, so this ends.
    QByteArray query = request;
    while (const std::optional<QueryItem> item = parseNextQuery(query)) {
        if (!m_config.unansweredQueries.contains(QString::fromLatin1(item->type)))
            answerItem(item->type, item->value, item->final, reply);
        query = item->rest;
    }
    if (m_config.silent)
        return {};
    QList<QByteArray> packets = reply.packets();
    if (m_config.dropPercent <= 0)
        return packets;
    QList<QByteArray> kept;
    for (int i = 0; i < packets.size(); ++i)
        if (!isDropped(m_config.dropSeed, m_requestCount, i, m_config.dropPercent))
            kept.append(packets.at(i));
    return kept;
}

bool SimulatedServer::isDropped(quint64 dropSeed, quint64 request, int packet, int dropPercent)
{
    // splitmix64's finaliser spreads neighbouring inputs over the whole range.
    const auto mix = [](quint64 z) {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    const quint64 h = mix(dropSeed ^ mix(request * 0x9e3779b97f4a7c15ULL + quint64(packet)));
    return int(h % 100) < dropPercent;
}

void SimulatedServer::answerItem(const QByteArray &type, const QByteArray &value, bool final, Reply &reply) const
{
    const bool hasPlayers = !m_players.isEmpty();
    const Sections &made = sections();
    if (type == "basic") {
        reply.send(made.basic, final);
    } else if (type == "info") {
        reply.send(made.info, final);
    } else if (type == "rules") {
        reply.send(made.rules, final);
    } else if (type == "players") {
        if (hasPlayers)
            sendPlayers(reply, final);
        else
            reply.send({}, final);
    } else if (type == "status") {
        reply.send(made.basic, false);
        reply.send(made.info, false);
        reply.send(made.rules, final && !hasPlayers);
        if (hasPlayers)
            sendPlayers(reply, final);
    } else if (type == "echo") {
        reply.send("\\echo_replay\\" + QByteArray(value).replace('\n', QByteArray()), final);
    } else if (type == "secure") {
        reply.send(pair("validate", validate(value)), final);
    } else if (type == "level_property" || type == "game_property") {
        // Real servers echo the property's text; the simulator has none to give.
        reply.send('\\' + value + '\\', final);
    } else if (type == "player_property") {
        QByteArray section;
        for (int i = 1; i <= playerCount(); ++i)
            section += '\\' + value + '_' + QByteArray::number(i) + '\\';
        reply.send(section, final);
    } else if (type == "teams") {
        if (m_config.teamGame && m_config.teamInfo) {
            for (int team = 0; team < int(made.teams.size()); ++team)
                reply.send(made.teams.at(team), final && team == int(made.teams.size()) - 1);
        } else {
            reply.send({}, final);
        }
    }
    // Anything else is ignored, which leaves earlier items unsent when it comes last.
}

void SimulatedServer::sendPlayers(Reply &reply, bool final) const
{
    const QByteArrayList &players = sections().players;
    for (int i = 0; i < players.size(); ++i)
        reply.send(players.at(i), final && i == players.size() - 1);
}

const SimulatedServer::Sections &SimulatedServer::sections() const
{
    if (!m_sections) {
        Sections made{basicSection(), infoSection(), rulesSection(), {}, {}};
        for (int i = 0; i < playerCount(); ++i)
            made.players.append(playerSection(i));
        for (int team = 0; team < int(kTeamNames.size()); ++team)
            made.teams.append(teamSection(team));
        m_sections = std::move(made);
    }
    return *m_sections;
}

QByteArray SimulatedServer::text(const QString &value) const
{
    // The game sends its names in the machine's code page: Windows-1252.
    return m_config.utf8Text ? value.toUtf8() : toWindows1252(value);
}

QByteArray SimulatedServer::basicSection() const
{
    return pair("gamename", "ut") + pair("gamever", QByteArray::number(m_config.gameVersion))
           + pair("minnetver", QByteArray::number(m_config.minNetVersion))
           + pair("location", QByteArray::number(m_config.location));
}

QByteArray SimulatedServer::infoSection() const
{
    const auto stripped = [this](QString s) { return text(s.remove(QLatin1Char('\\'))); };
    return pair("hostname", stripped(m_config.hostname)) + pair("hostport", QByteArray::number(gamePort()))
           + pair("maptitle", stripped(m_config.mapTitle)) + pair("mapname", text(m_config.mapName))
           + pair("gametype", text(m_config.gameType)) + pair("numplayers", QByteArray::number(playerCount()))
           + pair("maxplayers", QByteArray::number(m_config.maxPlayers)) + pair("gamemode", "openplaying")
           + pair("gamever", QByteArray::number(m_config.gameVersion))
           + pair("minnetver", QByteArray::number(m_config.minNetVersion))
           + pair("worldlog", m_config.worldLog ? "true" : "false")
           + pair("wantworldlog", m_config.wantWorldLog ? "true" : "false");
}

QByteArray SimulatedServer::rulesSection() const
{
    const SimulatedServerConfig &c = m_config;
    QByteArray rules;
    if (!c.mutators.isEmpty())
        rules += pair("mutators", text(c.mutators.join(QStringLiteral(", "))));
    rules += pair("listenserver", scriptBool(c.listenServer)) + pair("password", scriptBool(c.passworded));

    const QByteArray gameStyle = pair("gamestyle", text(c.gameStyle));
    const QByteArray botSkill =
        c.minPlayers > 0 ? pair("botskill", text(SimulatedServerConfig::botSkillName(c.botSkill))) : QByteArray();
    if (c.teamGame) {
        rules += pair("timelimit", QByteArray::number(c.timeLimit))
                 + pair("goalteamscore", QByteArray::number(c.goalTeamScore))
                 + pair("minplayers", QByteArray::number(c.minPlayers))
                 + pair("changelevels", scriptBool(c.changeLevels)) + pair("maxteams", QByteArray::number(c.maxTeams))
                 + pair("balanceteams", scriptBool(c.balanceTeams))
                 + pair("playersbalanceteams", scriptBool(c.playersBalanceTeams))
                 + pair("friendlyfire", QByteArray::number(c.friendlyFirePercent) + '%')
                 + pair("tournament", scriptBool(c.tournament)) + gameStyle + botSkill;
    } else {
        rules += pair("timelimit", QByteArray::number(c.timeLimit)) + pair("fraglimit", QByteArray::number(c.fragLimit))
                 + pair("minplayers", QByteArray::number(c.minPlayers))
                 + pair("changelevels", scriptBool(c.changeLevels)) + pair("tournament", scriptBool(c.tournament))
                 + gameStyle + botSkill;
    }
    if (!c.adminName.isEmpty())
        rules += pair("AdminName", text(QString(c.adminName).remove(QLatin1Char('\\'))));
    if (!c.adminEmail.isEmpty())
        rules += pair("AdminEMail", text(c.adminEmail));
    return rules;
}

QByteArray SimulatedServer::playerSection(int index) const
{
    const SimulatedPlayer &p = m_players.at(index);
    return indexedPair("player", index, text(QString(p.name).remove(QLatin1Char('\\'))))
           + indexedPair("frags", index, QByteArray::number(p.frags))
           + indexedPair("ping", index, ' ' + QByteArray::number(p.ping))
           + indexedPair("team", index, QByteArray::number(p.team)) + indexedPair("mesh", index, text(p.mesh))
           + indexedPair("skin", index, text(p.skin)) + indexedPair("face", index, text(p.face))
           + indexedPair("ngsecret", index, text(p.ngsecret));
}

QByteArray SimulatedServer::teamSection(int team) const
{
    int size = 0;
    for (const SimulatedPlayer &p : m_players)
        size += p.team == team ? 1 : 0;
    return indexedPair("team", team, kTeamNames[std::size_t(team)])
           + indexedPair("score", team, QByteArray::number(m_config.teamScores[std::size_t(team)], 'f', 6))
           + indexedPair("size", team, QByteArray::number(size));
}

QByteArray SimulatedServer::validate(const QByteArray &challenge)
{
    static const QByteArray kKey = QByteArrayLiteral("Z5Nfb0");
    std::array<quint8, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = quint8(i);
    quint8 j = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        j = quint8(j + table[i] + quint8(kKey.at(qsizetype(i % std::size_t(kKey.size())))));
        std::swap(table[i], table[j]);
    }

    QByteArray mixed;
    quint8 a = 0;
    quint8 b = 0;
    for (const char ch : challenge) {
        const auto c = quint8(ch);
        a = quint8(a + c + 1);
        const quint8 x = table[a];
        b = quint8(b + x);
        const quint8 y = table[b];
        table[b] = x;
        table[a] = y;
        mixed.append(char(c ^ table[quint8(x + y)]));
    }
    while (mixed.size() % 3 != 0)
        mixed.append('\0');

    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray out;
    for (qsizetype i = 0; i < mixed.size(); i += 3) {
        const quint32 group =
            quint32(quint8(mixed[i])) << 16 | quint32(quint8(mixed[i + 1])) << 8 | quint8(mixed[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6)
            out.append(kAlphabet[(group >> shift) & 0x3f]);
    }
    return out;
}
