// Reply contents, key order, splitting and query ids, checked in-process through answer().

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace GameSimTest;

namespace {

QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

SimulatedPlayer player(const QString &name, int frags, int ping, int team)
{
    SimulatedPlayer p;
    p.name = name;
    p.frags = frags;
    p.ping = ping;
    p.team = team;
    return p;
}

// The 451 CTF server whose replies were captured verbatim.
SimulatedServerConfig capturedCtfConfig()
{
    SimulatedServerConfig c;
    c.gameType = QStringLiteral("ACLCTFGame");
    c.teamGame = true;
    c.hostname = QStringLiteral("test server name");
    c.gamePort = 7777;
    c.mapName = QStringLiteral("CTF-Bolt_HE");
    c.mapTitle = QStringLiteral("CTF-Bolt_HE (High End Systems)");
    c.maxPlayers = 13;
    c.mutators = {QStringLiteral("SmartCTF 4E"), QStringLiteral("Rextended CTF v2-4"),
                  QStringLiteral("XC Enhanced spectator"), QStringLiteral("Who Pushed Me?")};
    c.timeLimit = 15;
    c.adminName = QStringLiteral("SAM");
    c.adminEmail = QStringLiteral("admin@testserver.com");
    return c;
}

SimulatedServerConfig dmConfig()
{
    SimulatedServerConfig c;
    c.setGameType(QStringLiteral("DeathMatchPlus"));
    c.gamePort = 7777;
    c.minPlayers = 4;
    c.botSkill = 3;
    c.mutators = {QStringLiteral("InstaGib")};
    c.adminName = QStringLiteral("Ad\\min");
    c.adminEmail = QStringLiteral("a@b.c");
    return c;
}

SimulatedServerConfig ctfConfig()
{
    SimulatedServerConfig c;
    c.setGameType(QStringLiteral("CTFGame"));
    c.gamePort = 7777;
    c.teamScores = {4, 2, 0, 0};
    return c;
}

QList<QByteArray> answerAfter(SimulatedServer &server, int earlierRequests, const QByteArray &request)
{
    for (int i = 0; i < earlierRequests; ++i)
        server.answer("\\echo\\x");
    return server.answer(request);
}

} // namespace

TEST(SimulatedServerReplies, MatchesCapturedPackets)
{
    SimulatedServer server(capturedCtfConfig());
    for (int i = 0; i < 11; ++i)
        server.addPlayer(player(QStringLiteral("p%1").arg(i), 0, 50, i % 2));
    EXPECT_EQ(
        answerAfter(server, 11, "\\info\\"),
        QList<QByteArray>{bytes("\\hostname\\test server name\\hostport\\7777\\maptitle\\CTF-Bolt_HE (High End "
                                "Systems)\\mapname\\CTF-Bolt_HE\\gametype\\ACLCTFGame\\numplayers\\11\\maxplayers\\13"
                                "\\gamemode\\openplaying\\gamever\\451\\minnetver\\432\\worldlog\\false"
                                "\\wantworldlog\\false\\queryid\\12.1\\final\\")});

    SimulatedServer rulesServer(capturedCtfConfig());
    EXPECT_EQ(
        answerAfter(rulesServer, 65, "\\rules\\"),
        QList<QByteArray>{bytes("\\mutators\\SmartCTF 4E, Rextended CTF v2-4, XC Enhanced spectator, Who Pushed Me?"
                                "\\listenserver\\False\\password\\False\\timelimit\\15\\goalteamscore\\0\\minplayers\\0"
                                "\\changelevels\\True\\maxteams\\2\\balanceteams\\True\\playersbalanceteams\\True"
                                "\\friendlyfire\\0%\\tournament\\False\\gamestyle\\Hardcore\\AdminName\\SAM"
                                "\\AdminEMail\\admin@testserver.com\\queryid\\66.1\\final\\")});

    SimulatedServer playersServer(capturedCtfConfig());
    SimulatedPlayer elizabeth = player(QStringLiteral("elizabeth"), 0, 39, 0);
    elizabeth.mesh = QStringLiteral("Boss");
    elizabeth.skin = QStringLiteral("BossSkins.boss");
    elizabeth.face = QStringLiteral("BossSkins.T_0");
    SimulatedPlayer fred = player(QStringLiteral("fred"), 0, 61, 255);
    fred.mesh = QStringLiteral("Spectator");
    fred.skin = QStringLiteral("None");
    fred.face.clear();
    playersServer.setPlayers({elizabeth, fred});
    EXPECT_EQ(answerAfter(playersServer, 68, "\\players\\"),
              QList<QByteArray>{
                  bytes("\\player_0\\elizabeth\\frags_0\\0\\ping_0\\ 39\\team_0\\0\\mesh_0\\Boss\\skin_0"
                        "\\BossSkins.boss\\face_0\\BossSkins.T_0\\ngsecret_0\\true\\player_1\\fred\\frags_1\\0"
                        "\\ping_1\\ 61\\team_1\\255\\mesh_1\\Spectator\\skin_1\\None\\face_1\\\\ngsecret_1\\true"
                        "\\queryid\\69.1\\final\\")});

    SimulatedServerConfig v440;
    v440.gameVersion = 440;
    SimulatedServer basicServer(v440);
    EXPECT_EQ(
        answerAfter(basicServer, 20, "\\basic\\"),
        QList<QByteArray>{bytes("\\gamename\\ut\\gamever\\440\\minnetver\\432\\location\\0\\queryid\\21.1\\final\\")});
}

TEST(SimulatedServerReplies, RequestsTheGameDropsGetNoReply)
{
    const char *const dropped[] = {
        "",                    // empty datagram
        "\\status",            // no closing backslash
        "status\\",            // no leading backslash
        "\\",                  //
        "\\\\",                // empty type
        "\\foo\\",             // unknown type
        "\\info\\\\foo\\",     // unknown last item leaves info unsent
        "\\echo\\a\\b",        // "b" is no item, so echo is never final
        "\\players\\\\status", // last item unclosed
        "\\STATUS\\",          // types are case-sensitive
    };
    SimulatedServer server(ctfConfig());
    server.addPlayer(player(QStringLiteral("p"), 1, 10, 0));
    for (const char *request : dropped)
        EXPECT_TRUE(server.answer(request).isEmpty()) << '"' << request << '"';
    // Each of them still took a query id.
    EXPECT_EQ(server.lastQueryId(), int(std::size(dropped)));

    const char *const accepted[] = {"\\info\\\\", "\\info\\x", "\\info\\xserverquery\\", "\\status\\\\echo\\hi"};
    for (const char *request : accepted) {
        const QList<QByteArray> packets = server.answer(request);
        ASSERT_FALSE(packets.isEmpty()) << request;
        EXPECT_TRUE(packets.back().endsWith("\\final\\")) << request;
    }
}

TEST(SimulatedServerReplies, SplitsBeforeThousandCharsKeepingPlayersWhole)
{
    SimulatedServer server(ctfConfig());
    constexpr int kPlayerCount = 32;
    for (int i = 0; i < kPlayerCount; ++i) {
        SimulatedPlayer p =
            player(QStringLiteral("LongPlayerName%1xxxx").arg(i, 2, 10, QLatin1Char('0')), i, 100 + i, i % 2);
        p.mesh = QStringLiteral("Female Commando");
        p.skin = QStringLiteral("FCommandoSkins.cmdo");
        p.face = QStringLiteral("FCommandoSkins.Gromida");
        server.addPlayer(p);
    }

    for (const char *request : {"\\players\\", "\\status\\"}) {
        SCOPED_TRACE(request);
        const QList<QByteArray> packets = server.answer(request);
        ASSERT_GE(packets.size(), 5);
        const QByteArray id = QByteArray::number(server.lastQueryId());
        QSet<int> seen;
        for (qsizetype m = 0; m < packets.size(); ++m) {
            const QByteArray &packet = packets.at(m);
            const bool last = m == packets.size() - 1;
            const QByteArray trailer = "\\queryid\\" + id + '.' + QByteArray::number(m + 1);
            EXPECT_TRUE(packet.endsWith(last ? trailer + "\\final\\" : trailer)) << packet.constData();
            EXPECT_EQ(packet.count("\\final\\"), last ? 1 : 0);
            EXPECT_LE(payloadOf(packet).size(), 1000);

            // Every player in this packet comes with all eight keys.
            const QByteArrayList keys = keysOf(packet);
            for (const QByteArray &key : keys) {
                if (!key.startsWith("player_"))
                    continue;
                const int index = key.mid(7).toInt();
                EXPECT_FALSE(seen.contains(index));
                seen.insert(index);
                const QByteArray suffix = '_' + QByteArray::number(index);
                for (const char *field : {"frags", "ping", "team", "mesh", "skin", "face", "ngsecret"})
                    EXPECT_TRUE(keys.contains(QByteArray(field) + suffix)) << field << suffix.constData();
            }
            // Packets are filled up: the next packet's first player would not have fitted.
            if (!last && request == std::string("\\players\\")) {
                const QByteArray next = payloadOf(packets.at(m + 1));
                const qsizetype secondPlayer = next.indexOf("\\player_", 1);
                const QByteArray firstSection = secondPlayer < 0 ? next : next.left(secondPlayer);
                EXPECT_GT(payloadOf(packet).size() + firstSection.size(), 1000);
            }
        }
        EXPECT_EQ(seen.size(), kPlayerCount);
        EXPECT_TRUE(
            packets.front().startsWith(request == std::string("\\status\\") ? "\\gamename\\ut" : "\\player_0\\"));
    }
}

TEST(SimulatedServerReplies, LegacyStyleSendsFinalBeforeQueryId)
{
    SimulatedServerConfig c = dmConfig();
    c.legacyPackets = true;
    SimulatedServer server(c);
    EXPECT_EQ(server.answer("\\players\\"), QList<QByteArray>{bytes("\\final\\\\queryid\\1.1")});

    server.addPlayer(player(QStringLiteral("a"), 1, 10, 255));
    server.addPlayer(player(QStringLiteral("b"), 2, 20, 255));
    const QList<QByteArray> packets = server.answer("\\status\\");
    ASSERT_EQ(packets.size(), 5); // basic, info, rules, one per player
    EXPECT_TRUE(packets.at(0).startsWith("\\gamename\\ut"));
    for (qsizetype m = 0; m + 1 < packets.size(); ++m)
        EXPECT_TRUE(packets.at(m).endsWith("\\queryid\\2." + QByteArray::number(m + 1))) << packets.at(m).constData();
    EXPECT_TRUE(packets.back().startsWith("\\player_1\\b\\"));
    EXPECT_TRUE(packets.back().endsWith("\\ngsecret_1\\true\\final\\\\queryid\\2.5"));
}
