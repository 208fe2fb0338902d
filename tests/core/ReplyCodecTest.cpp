#include "core/ReplyCodec.h"
#include "core/TUTServer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using ReplyCodec::parseServerReply;

namespace {

TUTServer freshServer()
{
    return TUTServer(QStringLiteral("127.0.0.1"), 7778);
}

// Every text field and slot value holds "old", so a field the codec left alone
// differs from one it set to an empty value.
TUTServer primedServer()
{
    TUTServer s = freshServer();
    for (const TUTServer::TextField &f : TUTServer::textFields())
        s.*(f.member) = "old";
    for (TPlayerRecord &p : s.Players)
        p = {"old", "old", "old", "old", "old", "old", "old", "old"};
    for (TTeamRecord &t : s.Teams)
        t = {"old", "old", "old"};
    return s;
}

TEST(ParseServerReply, ValueEndsAtTheNextBackslash)
{
    TUTServer s = primedServer();
    parseServerReply(s, "\\mapname\\DM-Deck16][\\gametype\\DeathMatchPlus\\botskill\\Masterful");
    EXPECT_EQ(s.MapName, "DM-Deck16][");
    EXPECT_EQ(s.GameType, "DeathMatchPlus");
    EXPECT_EQ(s.BotSkill, ""); // no closing backslash
    EXPECT_EQ(s.HostName, "old");
}

TEST(ParseServerReply, ServerFieldsAndOnlyThose)
{
    TUTServer s = freshServer();
    s.MapName = "kept";
    EXPECT_FALSE(parseServerReply(s, "\\hostname\\My Server\\hostport\\7777\\"));
    EXPECT_EQ(s.HostName, "My Server");
    EXPECT_EQ(s.HostPort, "7777");
    EXPECT_EQ(s.MapName, "kept");
    EXPECT_EQ(s.NumPlayers, "0");
}

TEST(ParseServerReply, EmptyValueOverwrites)
{
    TUTServer s = freshServer();
    s.HostName = "before";
    parseServerReply(s, "\\hostname\\\\");
    EXPECT_EQ(s.HostName, "");
}

TEST(ParseServerReply, MarkersAreCaseSensitive)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\AdminEmail\\a@b\\adminname\\x\\AdminName\\Sam\\AdminEMail\\sam@example.org\\");
    EXPECT_EQ(s.AdminEMail, "sam@example.org");
    EXPECT_EQ(s.AdminName, "Sam");
}

TEST(ParseServerReply, RealInfoReply)
{
    TUTServer s = freshServer();
    const QByteArray info =
        "\\hostname\\test server name\\hostport\\7777\\maptitle\\CTF-Bolt_HE (High End Systems)\\mapname\\CTF-Bolt_HE"
        "\\gametype\\ACLCTFGame\\numplayers\\11\\maxplayers\\13\\gamemode\\openplaying\\gamever\\451\\minnetver\\432"
        "\\worldlog\\false\\wantworldlog\\false\\queryid\\12.1\\final\\";
    EXPECT_TRUE(parseServerReply(s, info));
    EXPECT_EQ(s.MapTitle, "CTF-Bolt_HE (High End Systems)");
    EXPECT_EQ(s.GameType, "ACLCTFGame");
    EXPECT_EQ(s.NumPlayers, "11");
    EXPECT_EQ(s.PlayerSlotCount, "11");
    EXPECT_EQ(s.MaxPlayers, "13");
    EXPECT_EQ(s.GameVer, "451");
    EXPECT_EQ(s.WorldLog, "false");
}

struct CountCase
{
    const char *reply;
    bool changed;
};

class CountChange : public ::testing::TestWithParam<CountCase>
{
};

TEST_P(CountChange, ReportsOnlyRealChanges)
{
    TUTServer s = freshServer();
    s.NumPlayers = "3";
    s.MaxPlayers = "16";
    EXPECT_EQ(parseServerReply(s, GetParam().reply), GetParam().changed);
}

INSTANTIATE_TEST_SUITE_P(ReplyCodec, CountChange,
                         ::testing::Values(CountCase{"\\numplayers\\3\\maxplayers\\16\\", false},
                                           CountCase{"\\numplayers\\4\\", true}, CountCase{"\\maxplayers\\12\\", true},
                                           CountCase{"\\numplayers\\03\\", true}, CountCase{"\\hostname\\x\\", false}));

TEST(ParseServerReply, PlayersFillSlotsAndCount)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\player_0\\A\\frags_0\\5\\ping_0\\40\\team_0\\1\\mesh_0\\m\\skin_0\\s\\face_0\\f"
                        "\\ngsecret_0\\x\\player_1\\B\\");
    EXPECT_EQ(s.Players[0].Name, "A");
    EXPECT_EQ(s.Players[0].Frags, "5");
    EXPECT_EQ(s.Players[0].Ping, "40");
    EXPECT_EQ(s.Players[0].Team, "1");
    EXPECT_EQ(s.Players[0].Mesh, "m");
    EXPECT_EQ(s.Players[0].Skin, "s");
    EXPECT_EQ(s.Players[0].Face, "f");
    EXPECT_EQ(s.Players[0].NgSecret, "x");
    EXPECT_EQ(s.Players[1].Name, "B");
    EXPECT_EQ(s.PlayerSlotCount, "2");

    parseServerReply(s, "\\player_0\\C\\frags_0\\1\\");
    EXPECT_EQ(s.PlayerSlotCount, "1");
    EXPECT_EQ(s.Players[0].Name, "C");
}

TEST(ParseServerReply, TwoDigitAndOneDigitIndices)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\player_12\\Z\\frags_12\\3\\player_3\\Y\\");
    EXPECT_EQ(s.Players[12].Name, "Z");
    EXPECT_EQ(s.Players[12].Frags, "3");
    EXPECT_EQ(s.Players[3].Name, "Y");
    EXPECT_EQ(s.PlayerSlotCount, "13");
}

TEST(ParseServerReply, RealPlayersReplyWithEmptyValuesAndLeadingSpacePing)
{
    TUTServer s = freshServer();
    parseServerReply(s,
                     "\\player_0\\elizabeth\\frags_0\\0\\ping_0\\ 39\\team_0\\0\\mesh_0\\Boss\\skin_0\\BossSkins.boss"
                     "\\face_0\\BossSkins.T_0\\ngsecret_0\\true\\player_1\\fred\\frags_1\\0\\ping_1\\ 61\\team_1\\255"
                     "\\mesh_1\\Spectator\\skin_1\\None\\face_1\\\\ngsecret_1\\true\\queryid\\69.1");
    EXPECT_EQ(s.Players[0].Ping, " 39");
    EXPECT_EQ(s.Players[1].Team, "255");
    EXPECT_EQ(s.Players[1].Face, "");
    EXPECT_EQ(s.Players[1].NgSecret, "true");
    EXPECT_EQ(s.PlayerSlotCount, "2");
}

TEST(ParseServerReply, TeamsAfterPlayersTakeTheirOwnMarkers)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\team_0\\Red\\score_0\\10\\size_0\\4\\team_1\\Blue\\score_1\\8\\size_1\\3\\");
    EXPECT_EQ(s.Teams[0].Name, "Red");
    EXPECT_EQ(s.Teams[0].Score, "10");
    EXPECT_EQ(s.Teams[0].Size, "4");
    EXPECT_EQ(s.Teams[1].Name, "Blue");
    EXPECT_EQ(s.Teams[1].Size, "3");

    TUTServer both = freshServer();
    parseServerReply(both, "\\player_0\\A\\team_0\\1\\player_1\\B\\team_1\\0\\team_0\\Red\\score_0\\5\\size_0\\1\\");
    EXPECT_EQ(both.Players[0].Team, "1");
    EXPECT_EQ(both.Players[1].Team, "0");
    EXPECT_EQ(both.Teams[0].Name, "Red");
    EXPECT_EQ(both.Teams[0].Score, "5");
}

// Each lookup sees the text as the earlier cuts left it: a value swallows a
// marker right behind it, a cut can close or join text into a marker, and
// an entry takes the first occurrence of each of its keys.
using Field = QByteArray (*)(const TUTServer &);

struct CutCase
{
    const char *name;
    QByteArray reply;
    std::vector<std::pair<Field, QByteArray>> expected;
};

void PrintTo(const CutCase &c, std::ostream *os)
{
    *os << c.name;
}

class CutOrder : public ::testing::TestWithParam<CutCase>
{
};

TEST_P(CutOrder, LaterLookupsSeeTheCutText)
{
    TUTServer s = primedServer();
    parseServerReply(s, GetParam().reply);
    for (size_t i = 0; i < GetParam().expected.size(); ++i)
        EXPECT_EQ(GetParam().expected[i].first(s), GetParam().expected[i].second) << "expectation " << i;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    ReplyCodec, CutOrder,
    ::testing::Values(
        CutCase{"valueSwallowsTheNextMarker",
                "\\hostname\\mapname\\X\\",
                {{[](const TUTServer &s) { return s.HostName; }, "mapname"},
                 {[](const TUTServer &s) { return s.MapName; }, "old"}}},
        CutCase{"earlierCutLeavesAMarkerWithoutValue",
                "\\mapname\\hostname\\X\\",
                {{[](const TUTServer &s) { return s.HostName; }, "X"},
                 {[](const TUTServer &s) { return s.MapName; }, ""}}},
        CutCase{"entryValueSwallowsItsNextKey",
                "\\player_1\\frags_1\\5\\",
                {{[](const TUTServer &s) { return s.Players[1].Name; }, "frags_1"},
                 {[](const TUTServer &s) { return s.Players[1].Frags; }, "old"}}},
        CutCase{"repeatedEntryPairsValuesInOrder",
                "\\player_2\\A\\player_2\\B\\frags_2\\1\\frags_2\\2\\",
                {{[](const TUTServer &s) { return s.Players[2].Name; }, "B"},
                 {[](const TUTServer &s) { return s.Players[2].Frags; }, "2"}}},
        CutCase{"repeatedEntryKeepsValuesItLacks",
                "\\player_2\\A\\frags_2\\1\\player_2\\B\\",
                {{[](const TUTServer &s) { return s.Players[2].Name; }, "B"},
                 {[](const TUTServer &s) { return s.Players[2].Frags; }, "1"}}},
        CutCase{"leadingZeroTakesTheWrittenOutEntry",
                "\\player_07\\X\\player_7\\Y\\",
                {{[](const TUTServer &s) { return s.Players[7].Name; }, "Y"},
                 {[](const TUTServer &s) { return s.PlayerSlotCount; }, "8"}}},
        CutCase{"outOfRangeEntryStillCutsItsValues",
                "\\player_60\\frags_3\\player_3\\Y\\",
                {{[](const TUTServer &s) { return s.Players[3].Name; }, "Y"},
                 {[](const TUTServer &s) { return s.Players[3].Frags; }, "old"}}},
        CutCase{"strayPrefixCutJoinsANewEntry",
                "\\pl\\player_ayer_2\\N\\",
                {{[](const TUTServer &s) { return s.Players[2].Name; }, "N"},
                 {[](const TUTServer &s) { return s.Players[0].Name; }, "old"},
                 {[](const TUTServer &s) { return s.PlayerSlotCount; }, "3"}}},
        CutCase{"strayPrefixCutJoinsAKeyOfALaterEntry",
                "\\frags\\player__1\\V\\player_1\\A\\",
                {{[](const TUTServer &s) { return s.Players[1].Name; }, "A"},
                 {[](const TUTServer &s) { return s.Players[1].Frags; }, "V"}}},
        CutCase{"strayPrefixCutJoinsAValue",
                "\\frags_5\\ab\\player_cd\\player_5\\N\\",
                {{[](const TUTServer &s) { return s.Players[5].Name; }, "N"},
                 {[](const TUTServer &s) { return s.Players[5].Frags; }, "abcd"}}},
        CutCase{"unclosedValueEndsTheKeyBeforeIt",
                "\\player_1\\A\\frags_1\\hostname\\X",
                {{[](const TUTServer &s) { return s.HostName; }, ""},
                 {[](const TUTServer &s) { return s.Players[1].Name; }, "A"},
                 {[](const TUTServer &s) { return s.Players[1].Frags; }, "old"}}},
        CutCase{"unclosedValueJoinsAPlayerPrefix",
                "\\play\\botskill\\er_3",
                {{[](const TUTServer &s) { return s.BotSkill; }, ""},
                 {[](const TUTServer &s) { return s.Players[3].Name; }, "old"},
                 {[](const TUTServer &s) { return s.PlayerSlotCount; }, "4"}}},
        CutCase{"emptyTeamNameBeforeItsScore",
                "\\team_1\\\\score_1\\9\\",
                {{[](const TUTServer &s) { return s.Teams[1].Name; }, ""},
                 {[](const TUTServer &s) { return s.Teams[1].Score; }, "9"},
                 {[](const TUTServer &s) { return s.Teams[1].Size; }, "old"}}}),
    [](const ::testing::TestParamInfo<CutCase> &param) { return std::string(param.param.name); });
// clang-format on

// Replies are untrusted: every one of these must end, stay inside the
// record's slots and keep the valid parts.
struct HostileCase
{
    const char *name;
    QByteArray reply;
};

class HostileReply : public ::testing::TestWithParam<HostileCase>
{
};

TEST_P(HostileReply, EndsAndStaysInsideTheRecord)
{
    TUTServer s = freshServer();
    parseServerReply(s, GetParam().reply);
    EXPECT_LE(s.validPlayerSlots(), TUTServer::kPlayerSlots);
    EXPECT_GE(s.validPlayerSlots(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    ReplyCodec, HostileReply,
    ::testing::Values(HostileCase{"empty", ""}, HostileCase{"noBackslashes", "hello world"},
                      HostileCase{"onlyPrefix", "\\player_"}, HostileCase{"prefixAtEnd", "abc\\team_"},
                      HostileCase{"leadingZero", "\\player_07\\X\\player_7\\Y\\"},
                      HostileCase{"outOfRange", "\\player_99\\X\\frags_99\\1\\team_7\\T\\score_7\\1\\"},
                      HostileCase{"negative", "\\player_-1\\X\\team_-3\\T\\"},
                      HostileCase{"nonNumeric", "\\player_ab\\X\\team_zz\\T\\"},
                      HostileCase{"manyPrefixes", QByteArray("\\player_").repeated(500)},
                      HostileCase{"manyTeams", QByteArray("\\team_\\").repeated(500)},
                      HostileCase{"binary", QByteArray("\x00\xff\\player_\x00\x01\\\xfe", 12)},
                      HostileCase{"huge", QByteArray("\\hostname\\") + QByteArray(70000, 'x') + "\\"}),
    [](const ::testing::TestParamInfo<HostileCase> &param) { return std::string(param.param.name); });

TEST(ParseServerReply, OutOfRangeIndicesAreDroppedAndTheRestKept)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\player_99\\X\\frags_99\\1\\player_2\\Kept\\team_7\\T\\team_3\\Gold\\");
    EXPECT_EQ(s.Players[2].Name, "Kept");
    EXPECT_EQ(s.PlayerSlotCount, "3");
    EXPECT_EQ(s.Teams[3].Name, "Gold");
}

TEST(ParseServerReply, LeadingZeroIndexDoesNotStopLaterEntries)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\player_07\\X\\player_5\\Five\\");
    EXPECT_EQ(s.Players[5].Name, "Five");
}

TEST(ParseServerReply, AnnouncedCountBeyondTheSlotsIsClampedOnUse)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\numplayers\\200\\");
    EXPECT_EQ(s.PlayerSlotCount, "200");
    EXPECT_EQ(s.validPlayerSlots(), TUTServer::kPlayerSlots);
}

TEST(ParseServerReply, EightBitBytesSurvive)
{
    TUTServer s = freshServer();
    parseServerReply(s, "\\player_0\\J\xf6rg\\hostname\\Caf\xc3\xa9\\");
    EXPECT_EQ(s.Players[0].Name, "J\xf6rg");
    EXPECT_EQ(s.HostName, "Caf\xc3\xa9");
}

} // namespace
