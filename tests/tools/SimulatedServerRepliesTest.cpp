// Reply contents, key order, splitting and query ids, checked in-process through answer().

#include "GameSimTestSupport.h"
#include "SimulatedServer.h"

#include <gtest/gtest.h>

#include <QSet>

#include <iterator>

using namespace GameSimTest;

namespace {

QByteArray bytes(const char *text)
{
    return QByteArray(text);
}

QByteArrayList keyList(std::initializer_list<const char *> keys)
{
    QByteArrayList list;
    for (const char *key : keys)
        list.append(QByteArray(key));
    return list;
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
    EXPECT_EQ(answerAfter(server, 11, "\\info\\"),
              QList<QByteArray>{bytes("\\hostname\\test server name\\hostport\\7777\\maptitle\\CTF-Bolt_HE (High End "
                                      "Systems)\\mapname\\CTF-Bolt_HE\\gametype\\ACLCTFGame\\numplayers\\11\\maxplayers\\13"
                                      "\\gamemode\\openplaying\\gamever\\451\\minnetver\\432\\worldlog\\false"
                                      "\\wantworldlog\\false\\queryid\\12.1\\final\\")});

    SimulatedServer rulesServer(capturedCtfConfig());
    EXPECT_EQ(answerAfter(rulesServer, 65, "\\rules\\"),
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
              QList<QByteArray>{bytes("\\player_0\\elizabeth\\frags_0\\0\\ping_0\\ 39\\team_0\\0\\mesh_0\\Boss\\skin_0"
                                      "\\BossSkins.boss\\face_0\\BossSkins.T_0\\ngsecret_0\\true\\player_1\\fred\\frags_1\\0"
                                      "\\ping_1\\ 61\\team_1\\255\\mesh_1\\Spectator\\skin_1\\None\\face_1\\\\ngsecret_1\\true"
                                      "\\queryid\\69.1\\final\\")});

    SimulatedServerConfig v440;
    v440.gameVersion = 440;
    SimulatedServer basicServer(v440);
    EXPECT_EQ(answerAfter(basicServer, 20, "\\basic\\"),
              QList<QByteArray>{bytes("\\gamename\\ut\\gamever\\440\\minnetver\\432\\location\\0\\queryid\\21.1\\final\\")});
}

struct ShapeCase
{
    const char *name;
    SimulatedServerConfig (*config)();
    int players;
    const char *request;
    QByteArrayList keys; // of the single reply packet, trailer included
};

void PrintTo(const ShapeCase &c, std::ostream *os)
{
    *os << c.name;
}

class ReplyShape : public testing::TestWithParam<ShapeCase>
{
};

TEST_P(ReplyShape, KeysComeInOrder)
{
    const ShapeCase &c = GetParam();
    SimulatedServer server(c.config());
    for (int i = 0; i < c.players; ++i)
        server.addPlayer(player(QStringLiteral("p%1").arg(i), i, 40 + i, server.config().teamGame ? i % 2 : 255));
    const QList<QByteArray> packets = server.answer(c.request);
    ASSERT_EQ(packets.size(), 1);
    EXPECT_EQ(keysOf(packets.front()), c.keys) << packets.front().constData();
    EXPECT_TRUE(packets.front().endsWith("\\queryid\\1.1\\final\\"));
}

INSTANTIATE_TEST_SUITE_P(
    AllQueries, ReplyShape,
    testing::Values(
        ShapeCase{"basic", dmConfig, 0, "\\basic\\", keyList({"gamename", "gamever", "minnetver", "location", "queryid", "final"})},
        ShapeCase{"info", dmConfig, 2, "\\info\\",
                  keyList({"hostname", "hostport", "maptitle", "mapname", "gametype", "numplayers", "maxplayers", "gamemode",
                           "gamever", "minnetver", "worldlog", "wantworldlog", "queryid", "final"})},
        ShapeCase{"info_xserverquery", dmConfig, 0, "\\info\\xserverquery",
                  keyList({"hostname", "hostport", "maptitle", "mapname", "gametype", "numplayers", "maxplayers", "gamemode",
                           "gamever", "minnetver", "worldlog", "wantworldlog", "queryid", "final"})},
        ShapeCase{"rules_dm", dmConfig, 0, "\\rules\\",
                  keyList({"mutators", "listenserver", "password", "timelimit", "fraglimit", "minplayers", "changelevels",
                           "tournament", "gamestyle", "botskill", "AdminName", "AdminEMail", "queryid", "final"})},
        ShapeCase{"rules_ctf", ctfConfig, 0, "\\rules\\",
                  keyList({"listenserver", "password", "timelimit", "goalteamscore", "minplayers", "changelevels", "maxteams",
                           "balanceteams", "playersbalanceteams", "friendlyfire", "tournament", "gamestyle", "queryid",
                           "final"})},
        ShapeCase{"players", dmConfig, 1, "\\players\\",
                  keyList({"player_0", "frags_0", "ping_0", "team_0", "mesh_0", "skin_0", "face_0", "ngsecret_0", "queryid",
                           "final"})},
        ShapeCase{"players_none", dmConfig, 0, "\\players\\", keyList({"queryid", "final"})},
        ShapeCase{"teams_ctf", ctfConfig, 3, "\\teams\\",
                  keyList({"team_0", "score_0", "size_0", "team_1", "score_1", "size_1", "team_2", "score_2", "size_2",
                           "team_3", "score_3", "size_3", "queryid", "final"})},
        ShapeCase{"teams_dm", dmConfig, 3, "\\teams\\", keyList({"queryid", "final"})},
        ShapeCase{"players_and_teams", ctfConfig, 1, "\\players\\\\teams\\",
                  keyList({"player_0", "frags_0", "ping_0", "team_0", "mesh_0", "skin_0", "face_0", "ngsecret_0", "team_0",
                           "score_0", "size_0", "team_1", "score_1", "size_1", "team_2", "score_2", "size_2", "team_3",
                           "score_3", "size_3", "queryid", "final"})},
        ShapeCase{"status_empty", ctfConfig, 0, "\\status\\",
                  keyList({"gamename", "gamever", "minnetver", "location", "hostname", "hostport", "maptitle", "mapname",
                           "gametype", "numplayers", "maxplayers", "gamemode", "gamever", "minnetver", "worldlog",
                           "wantworldlog", "listenserver", "password", "timelimit", "goalteamscore", "minplayers",
                           "changelevels", "maxteams", "balanceteams", "playersbalanceteams", "friendlyfire", "tournament",
                           "gamestyle", "queryid", "final"})},
        ShapeCase{"status_with_player", dmConfig, 1, "\\status\\",
                  keyList({"gamename", "gamever", "minnetver", "location", "hostname", "hostport", "maptitle", "mapname",
                           "gametype", "numplayers", "maxplayers", "gamemode", "gamever", "minnetver", "worldlog",
                           "wantworldlog", "mutators", "listenserver", "password", "timelimit", "fraglimit", "minplayers",
                           "changelevels", "tournament", "gamestyle", "botskill", "AdminName", "AdminEMail", "player_0",
                           "frags_0", "ping_0", "team_0", "mesh_0", "skin_0", "face_0", "ngsecret_0", "queryid", "final"})},
        ShapeCase{"basic_then_info", dmConfig, 0, "\\basic\\\\info\\",
                  keyList({"gamename", "gamever", "minnetver", "location", "hostname", "hostport", "maptitle", "mapname",
                           "gametype", "numplayers", "maxplayers", "gamemode", "gamever", "minnetver", "worldlog",
                           "wantworldlog", "queryid", "final"})},
        ShapeCase{"echo", dmConfig, 0, "\\echo\\ping me", keyList({"echo_replay", "queryid", "final"})},
        ShapeCase{"secure", dmConfig, 0, "\\secure\\ABCDEF", keyList({"validate", "queryid", "final"})}),
    [](const testing::TestParamInfo<ShapeCase> &param) { return std::string(param.param.name); });

TEST(SimulatedServerReplies, ValuesFollowTheGame)
{
    SimulatedServer dm(dmConfig());
    SimulatedPlayer joerg = player(QStringLiteral("J\u00f6rg\\x"), -3, 7, 255);
    joerg.face.clear();
    joerg.ngsecret = QStringLiteral("bot");
    dm.addPlayer(joerg);
    const QByteArray status = dm.answer("\\status\\").front();
    EXPECT_EQ(valueOf(status, "player_0"), bytes("J\xf6rgx")); // Latin-1 byte, backslash stripped
    EXPECT_EQ(valueOf(status, "frags_0"), bytes("-3"));
    EXPECT_EQ(valueOf(status, "ping_0"), bytes(" 7"));
    EXPECT_EQ(valueOf(status, "team_0"), bytes("255"));
    EXPECT_EQ(valueOf(status, "face_0"), QByteArray());
    EXPECT_EQ(valueOf(status, "ngsecret_0"), bytes("bot"));
    EXPECT_EQ(valueOf(status, "hostport"), bytes("7777"));
    EXPECT_EQ(valueOf(status, "botskill"), bytes("Skilled"));
    EXPECT_EQ(valueOf(status, "AdminName"), bytes("Admin"));
    EXPECT_EQ(valueOf(status, "numplayers"), bytes("1"));

    SimulatedServer ctf(ctfConfig());
    ctf.setPlayers({player(QStringLiteral("a"), 1, 10, 0), player(QStringLiteral("b"), 1, 10, 1),
                    player(QStringLiteral("c"), 1, 10, 1)});
    const QByteArray teams = ctf.answer("\\teams\\").front();
    EXPECT_EQ(valueOf(teams, "team_3"), bytes("Gold"));
    EXPECT_EQ(valueOf(teams, "score_0"), bytes("4.000000"));
    EXPECT_EQ(valueOf(teams, "size_1"), bytes("2"));
    EXPECT_EQ(valueOf(ctf.answer("\\rules\\").front(), "friendlyfire"), bytes("0%"));

    SimulatedServerConfig noTeamInfo = ctfConfig();
    noTeamInfo.teamInfo = false;
    EXPECT_EQ(SimulatedServer(noTeamInfo).answer("\\teams\\"), QList<QByteArray>{bytes("\\queryid\\1.1\\final\\")});

    SimulatedServerConfig utf8 = dmConfig();
    utf8.utf8Text = true;
    SimulatedServer utf8Server(utf8);
    utf8Server.addPlayer(player(QStringLiteral("J\u00f6rg"), 0, 1, 255));
    EXPECT_EQ(valueOf(utf8Server.answer("\\players\\").front(), "player_0"), bytes("J\xc3\xb6rg"));

    EXPECT_EQ(dm.answer("\\echo\\a\nb"), QList<QByteArray>{bytes("\\echo_replay\\ab\\queryid\\2.1\\final\\")});
    EXPECT_EQ(SimulatedServer::validate("ABCDEF"), bytes("5OOIQ5Ha"));
    EXPECT_EQ(SimulatedServer::validate("XYZABC"), bytes("3PlaE7km"));
}

TEST(SimulatedServerReplies, RequestsTheGameDropsGetNoReply)
{
    const char *const dropped[] = {
        "",                        // empty datagram
        "\\status",                // no closing backslash
        "status\\",                // no leading backslash
        "\\",                      //
        "\\\\",                    // empty type
        "\\foo\\",                 // unknown type
        "\\info\\\\foo\\",         // unknown last item leaves info unsent
        "\\echo\\a\\b",            // "b" is no item, so echo is never final
        "\\players\\\\status",     // last item unclosed
        "\\STATUS\\",              // types are case-sensitive
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

TEST(SimulatedServerReplies, QueryIdWrapsAfterHundred)
{
    SimulatedServer server(dmConfig());
    for (int i = 0; i < 250; ++i) {
        const QList<QByteArray> packets = server.answer("\\basic\\");
        ASSERT_EQ(packets.size(), 1);
        const QByteArray expected = "\\queryid\\" + QByteArray::number(i % 100 + 1) + ".1\\final\\";
        ASSERT_TRUE(packets.front().endsWith(expected)) << i << ' ' << packets.front().constData();
    }
    EXPECT_EQ(server.lastQueryId(), 50);
    EXPECT_EQ(server.requestCount(), 250u);
}

TEST(SimulatedServerReplies, SplitsBeforeThousandCharsKeepingPlayersWhole)
{
    SimulatedServer server(ctfConfig());
    constexpr int PlayerCount = 32;
    for (int i = 0; i < PlayerCount; ++i) {
        SimulatedPlayer p = player(QStringLiteral("LongPlayerName%1xxxx").arg(i, 2, 10, QLatin1Char('0')), i, 100 + i, i % 2);
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
        EXPECT_EQ(seen.size(), PlayerCount);
        EXPECT_TRUE(packets.front().startsWith(request == std::string("\\status\\") ? "\\gamename\\ut" : "\\player_0\\"));
    }
}

TEST(SimulatedServerReplies, OversizedSectionGoesOutWhole)
{
    SimulatedServerConfig c = dmConfig();
    for (int i = 0; i < 60; ++i)
        c.mutators.append(QStringLiteral("Some Long Mutator Name %1").arg(i));
    SimulatedServer server(c);

    const QList<QByteArray> rules = server.answer("\\rules\\");
    ASSERT_EQ(rules.size(), 2);
    EXPECT_EQ(rules.at(0), bytes("\\queryid\\1.1")); // the empty buffer is flushed first
    EXPECT_GT(rules.at(1).size(), 1000);
    EXPECT_TRUE(rules.at(1).startsWith("\\mutators\\InstaGib, Some Long Mutator Name 0, "));
    EXPECT_TRUE(rules.at(1).endsWith("\\queryid\\1.2\\final\\"));

    server.addPlayer(player(QStringLiteral("p"), 1, 10, 255));
    const QList<QByteArray> status = server.answer("\\status\\");
    ASSERT_EQ(status.size(), 3);
    EXPECT_TRUE(status.at(0).startsWith("\\gamename\\ut") && status.at(0).endsWith("\\queryid\\2.1"));
    EXPECT_TRUE(status.at(1).startsWith("\\mutators\\") && status.at(1).endsWith("\\queryid\\2.2"));
    EXPECT_TRUE(status.at(2).startsWith("\\player_0\\p\\") && status.at(2).endsWith("\\queryid\\2.3\\final\\"));
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
