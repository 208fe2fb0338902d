#include "core/ServerHealth.h"
#include "core/TUTServer.h"
#include "viewlogic/BlinkState.h"
#include "viewlogic/PlayerRows.h"
#include "viewlogic/ScoreGraphLayout.h"
#include "viewlogic/ServerInfoRows.h"
#include "viewlogic/ServerRowHealth.h"
#include "viewlogic/ServerRowLayout.h"

#include <gtest/gtest.h>

namespace {

using ServerRowLayout::LoadLevel;

struct LoadCase
{
    const char *cur;
    const char *max;
    LoadLevel level;
};

class LoadColour : public ::testing::TestWithParam<LoadCase>
{
};

TEST_P(LoadColour, FollowsTheRules)
{
    EXPECT_EQ(ServerRowLayout::loadLevel(GetParam().cur, GetParam().max), GetParam().level)
        << GetParam().cur << "/" << GetParam().max;
}

INSTANTIATE_TEST_SUITE_P(
    ServerRowLayout, LoadColour,
    ::testing::Values(LoadCase{"8", "16", LoadLevel::HalfOrMore}, LoadCase{"7", "16", LoadLevel::BelowHalf},
                      LoadCase{"16", "16", LoadLevel::Full}, LoadCase{"0", "0", LoadLevel::Background},
                      LoadCase{"1", "3", LoadLevel::HalfOrMore}, LoadCase{"", "", LoadLevel::Background},
                      LoadCase{"20", "16", LoadLevel::HalfOrMore}, LoadCase{"x", "8", LoadLevel::BelowHalf}));

TEST(ServerRowLayout, CountsRefreshRegionAndHints)
{
    EXPECT_EQ(ServerRowLayout::countText("8"), QStringLiteral(" 8"));
    EXPECT_EQ(ServerRowLayout::countText(""), QStringLiteral(" 0"));
    EXPECT_EQ(ServerRowLayout::countText("16"), QStringLiteral("16"));
    EXPECT_FALSE(ServerRowLayout::isRefreshClick(16));
    EXPECT_TRUE(ServerRowLayout::isRefreshClick(17));
    EXPECT_TRUE(ServerRowLayout::isRefreshClick(31));
    EXPECT_FALSE(ServerRowLayout::isRefreshClick(32));
    EXPECT_EQ(ServerRowLayout::hintAt(14), QStringLiteral("Check this to monitor the server for joins/parts"));
    EXPECT_EQ(ServerRowLayout::hintAt(15), QStringLiteral("Click this to refresh the infor about the server"));
    EXPECT_EQ(ServerRowLayout::hintAt(31), QStringLiteral("List with all the server that can be monitored"));
}

// Colours are red + 256 x green + 65536 x blue.
struct LoadTextCase
{
    quint32 box;
    quint32 text;
};

class LoadTextColour : public ::testing::TestWithParam<LoadTextCase>
{
};

TEST_P(LoadTextColour, BlackOrWhiteWhicheverReadsBetter)
{
    const quint32 box = GetParam().box;
    const quint32 text = ServerRowLayout::loadTextColor(box);
    EXPECT_EQ(text, GetParam().text) << std::hex << box;
    const quint32 other = text == ServerRowLayout::kBlack ? ServerRowLayout::kWhite : ServerRowLayout::kBlack;
    EXPECT_GE(ServerRowLayout::contrastRatio(text, box), ServerRowLayout::contrastRatio(other, box));
    // Every colour reaches 4.5 to 1 with one of the two.
    EXPECT_GE(ServerRowLayout::contrastRatio(text, box), 4.5) << std::hex << box;
}

INSTANTIATE_TEST_SUITE_P(
    ServerRowLayout, LoadTextColour,
    ::testing::Values(LoadTextCase{128, ServerRowLayout::kWhite},      // the stored full colour, dark red
                      LoadTextCase{32768, ServerRowLayout::kWhite},    // green, below half
                      LoadTextCase{32896, ServerRowLayout::kBlack},    // olive, half or more
                      LoadTextCase{0x0000ff, ServerRowLayout::kBlack}, // pure red: 5.25 against 4.00
                      LoadTextCase{0x00ff00, ServerRowLayout::kBlack}, // pure green
                      LoadTextCase{0xff0000, ServerRowLayout::kWhite}, // pure blue
                      LoadTextCase{0x00ffff, ServerRowLayout::kBlack}, // yellow
                      // Where the two change places: 4.61 white against 4.56 black, then 4.54 against 4.62.
                      LoadTextCase{0x757575, ServerRowLayout::kWhite}, LoadTextCase{0x767676, ServerRowLayout::kBlack},
                      LoadTextCase{0, ServerRowLayout::kWhite}, LoadTextCase{0xffffff, ServerRowLayout::kBlack},
                      // Only the colour counts, whatever else the stored number holds.
                      LoadTextCase{0xff000080, ServerRowLayout::kWhite}));

TEST(ServerRowLayout, ContrastRatiosAsTheWebGuidelinesComputeThem)
{
    using ServerRowLayout::contrastRatio;
    EXPECT_DOUBLE_EQ(contrastRatio(ServerRowLayout::kBlack, ServerRowLayout::kWhite), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(ServerRowLayout::kWhite, ServerRowLayout::kBlack), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(0x123456, 0x123456), 1.0);
    // Dark red with black text, as the list drew it: hardly readable.
    EXPECT_NEAR(contrastRatio(ServerRowLayout::kBlack, 128), 1.92, 0.01);
    EXPECT_NEAR(contrastRatio(ServerRowLayout::kWhite, 128), 10.95, 0.01);
    EXPECT_NEAR(contrastRatio(ServerRowLayout::kBlack, 32768), 4.09, 0.01);
    EXPECT_NEAR(contrastRatio(ServerRowLayout::kWhite, 0x767676), 4.54, 0.01);
}

// A stale box on the stored load colours and on light and dark backgrounds.
struct StaleBoxCase
{
    quint32 load;
    quint32 background;
    quint32 box;
};

class StaleBox : public ::testing::TestWithParam<StaleBoxCase>
{
};

TEST_P(StaleBox, IsAGreyThatStandsApartFromTheBackground)
{
    const quint32 box = ServerRowHealth::staleBoxColor(GetParam().load, GetParam().background);
    EXPECT_EQ(box, GetParam().box) << std::hex << GetParam().load << " on " << GetParam().background;
    const int grey = static_cast<int>(box & 0xff);
    EXPECT_EQ(box, static_cast<quint32>(grey * 0x010101));
    const int back = static_cast<int>(GetParam().background & 0xff); // the backgrounds here are grey
    EXPECT_GE(std::abs(grey - back), ServerRowHealth::kStaleContrast);
    EXPECT_GE(ServerRowLayout::contrastRatio(ServerRowLayout::loadTextColor(box), box), 4.5);
}

INSTANTIATE_TEST_SUITE_P(
    ServerRowHealth, StaleBox,
    ::testing::Values(StaleBoxCase{32768, 0xffffff, 0xa5a5a5},    // green on white: halfway
                      StaleBoxCase{32896, 0xffffff, 0xb8b8b8},    // olive: lighter, as the colour is
                      StaleBoxCase{128, 0xffffff, 0x929292},      // dark red: darker
                      StaleBoxCase{32768, 0x2b2b2b, 0x5b5b5b},    // on a dark theme: lighter than the base
                      StaleBoxCase{0xffffff, 0xffffff, 0xcfcfcf}, // a load box in the background's colour
                      StaleBoxCase{0, 0, 0x303030}, StaleBoxCase{0xffffff, 0, 0x7f7f7f}));

TEST(ServerRowHealth, AgesInSecondsMinutesHoursAndDays)
{
    EXPECT_EQ(healthAgeText(0), QStringLiteral("0 s"));
    EXPECT_EQ(healthAgeText(35999), QStringLiteral("35 s"));
    EXPECT_EQ(healthAgeText(59999), QStringLiteral("59 s"));
    EXPECT_EQ(healthAgeText(60000), QStringLiteral("1 min"));
    EXPECT_EQ(healthAgeText(4 * 60000 + 59999), QStringLiteral("4 min"));
    EXPECT_EQ(healthAgeText(3600000), QStringLiteral("1 h"));
    EXPECT_EQ(healthAgeText(47 * 3600000u), QStringLiteral("47 h"));
    EXPECT_EQ(healthAgeText(48 * 3600000u), QStringLiteral("2 days"));
    EXPECT_EQ(healthAgeText(0xffffffffu), QStringLiteral("49 days"));
}

TEST(ServerRowHealth, TextsOfStaleAndPartialServers)
{
    constexpr quint32 kRound = 15000;
    ServerHealth fresh;
    EXPECT_EQ(healthText(fresh, 0), QString());

    ServerHealth never;
    for (quint32 k = 0; k <= ServerHealth::kStaleMisses; ++k)
        never.asked(k * kRound);
    EXPECT_EQ(healthText(never, 3 * kRound), QStringLiteral("never answered"));

    ServerHealth silent;
    silent.replied("\\hostname\\A\\final\\", 500);
    for (quint32 k = 1; k <= ServerHealth::kStaleMisses + 1; ++k)
        silent.asked(k * kRound);
    EXPECT_EQ(healthText(silent, 35500), QStringLiteral("no reply for 35 s"));
    EXPECT_EQ(healthText(silent, 4 * 60000 + 500), QStringLiteral("no reply for 4 min"));

    const auto partial = [](std::initializer_list<QByteArray> datagrams) {
        ServerHealth health;
        health.asked(0);
        for (const QByteArray &datagram : datagrams)
            health.replied(datagram, 100);
        health.asked(kRound);
        return healthText(health, kRound);
    };
    EXPECT_EQ(partial({"\\hostname\\A\\queryid\\4.1\\final\\"}), QStringLiteral("partial reply: no player list"));
    EXPECT_EQ(partial({"\\player_0\\A\\queryid\\5.1\\final\\"}), QStringLiteral("partial reply: no server info"));
    EXPECT_EQ(partial({"\\hostname\\A\\queryid\\4.1"}),
              QStringLiteral("partial reply: no player list, packets missing"));
    EXPECT_EQ(partial({"\\team_0\\Red\\queryid\\6.1\\final\\"}),
              QStringLiteral("partial reply: no server info, no player list"));
}

TEST(ServerRowHealth, PartialMarkFillsTheLoadBoxCorner)
{
    const auto mark = ServerRowHealth::partialMark(31, 16);
    const int right = 31 + ServerRowLayout::kLoadBoxWidth - 1;
    EXPECT_EQ(mark[0], QPoint(right - ServerRowHealth::kPartialMarkSize + 1, 16));
    EXPECT_EQ(mark[1], QPoint(right, 16));
    EXPECT_EQ(mark[2], QPoint(right, 16 + ServerRowHealth::kPartialMarkSize - 1));
    // Clear of the closing bracket's column and of the counts' baseline.
    EXPECT_GT(mark[0].x(), 31 + ServerRowLayout::kCloseBracketX);
}

TEST(ServerInfoRows, SilentServerShowsAddressPingAndPlayers)
{
    const TUTServer server(QStringLiteral("10.0.0.1"), 7778);
    const QList<ServerInfoRows::Row> rows = ServerInfoRows::rows(server);
    ASSERT_EQ(rows.size(), 28);
    EXPECT_EQ(rows[0].label, QStringLiteral("Server name"));
    EXPECT_EQ(rows[1].value, QStringLiteral("10.0.0.1:"));
    EXPECT_EQ(rows[2].value, QStringLiteral("0ms"));
    EXPECT_EQ(rows[6].value, QStringLiteral("0"));
    EXPECT_EQ(rows[27].label, QStringLiteral("Bot skill"));
    int empty = 0;
    for (const auto &row : rows)
        empty += row.value.isEmpty();
    EXPECT_EQ(empty, 25);
}

class PlayerRowsTest : public ::testing::Test
{
protected:
    void add(const char *name, const char *frags, const char *ping, const char *team)
    {
        TPlayerRecord &p = server.Players[static_cast<size_t>(count++)];
        p.Name = name;
        p.Frags = frags;
        p.Ping = ping;
        p.Team = team;
        server.PlayerSlotCount = QByteArray::number(count);
    }

    QStringList column(const QList<PlayerRows::Row> &rows, int c) const
    {
        QStringList result;
        for (const auto &row : rows)
            result.append(row.column(c));
        return result;
    }

    TUTServer server{QStringLiteral("10.0.0.1"), 7778};
    int count = 0;
};

TEST_F(PlayerRowsTest, TeamNamesAndHiddenStaleSlots)
{
    add("a", "5", " 80", "1");
    add("b", "12", " 20", "255");
    add("c", "5", " 30", "x");
    add("d", "-2", " 10", "3");
    QList<PlayerRows::Row> rows = PlayerRows::rows(server);
    EXPECT_EQ(column(rows, PlayerRows::TeamColumn), (QStringList{QStringLiteral("Blue"), QStringLiteral("None"),
                                                                 QStringLiteral("Red"), QStringLiteral("Gold")}));

    server.PlayerSlotCount = "0";
    EXPECT_TRUE(PlayerRows::rows(server).isEmpty());
    server.PlayerSlotCount = "500";
    EXPECT_EQ(PlayerRows::rows(server).size(), TUTServer::kPlayerSlots);
}

TEST_F(PlayerRowsTest, SortsByEachColumn)
{
    add("b", "5", " 80", "1");
    add("c", "12", " 20", "0");
    add("a", "5", " 30", "3");
    add("d", "-2", " 10", "0");
    QList<PlayerRows::Row> rows = PlayerRows::rows(server);

    PlayerRows::sortPlayersView(rows, PlayerRows::ScoreColumn);
    EXPECT_EQ(column(rows, PlayerRows::ScoreColumn),
              (QStringList{QStringLiteral("12"), QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("-2")}));
    PlayerRows::sortPlayersView(rows, PlayerRows::PingColumn);
    EXPECT_EQ(column(rows, PlayerRows::NameColumn),
              (QStringList{QStringLiteral("d"), QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    PlayerRows::sortPlayersView(rows, PlayerRows::TeamColumn);
    EXPECT_EQ(column(rows, PlayerRows::TeamColumn), (QStringList{QStringLiteral("Red"), QStringLiteral("Red"),
                                                                 QStringLiteral("Gold"), QStringLiteral("Blue")}));
    PlayerRows::sortPlayersView(rows, PlayerRows::NameColumn);
    EXPECT_EQ(column(rows, PlayerRows::NameColumn).first(), QStringLiteral("a"));
    const QStringList before = column(rows, PlayerRows::NameColumn);
    PlayerRows::sortPlayersView(rows, 12);
    EXPECT_EQ(column(rows, PlayerRows::NameColumn), before);
}

QList<PlayerRows::Row> scoreRows(std::initializer_list<std::pair<const char *, const char *>> players)
{
    QList<PlayerRows::Row> rows;
    for (const auto &[name, score] : players)
        rows.append(PlayerRows::Row{
            QString::fromLatin1(name), QString::fromLatin1(score), {}, {}, QStringLiteral("true"), {}, {}, {}});
    return rows;
}

TEST(ScoreGraphLayout, ThreePlayersOnA375By405Box)
{
    const auto graph = ScoreGraphLayout::layoutBars(scoreRows({{"c", "0"}, {"a", "10"}, {"b", "5"}}), 375, 405, 0);
    EXPECT_EQ(graph.unit, 39);
    EXPECT_EQ(graph.barWidth, 117);
    ASSERT_EQ(graph.bars.size(), 3);
    const QRect leader = graph.bars[0].rect;
    EXPECT_EQ(graph.bars[0].name, QStringLiteral("a"));
    EXPECT_EQ(leader.left(), 5);
    EXPECT_EQ(leader.left() + leader.width(), 122);
    EXPECT_EQ(leader.top(), 10);
    EXPECT_EQ(leader.top() + leader.height(), 400);
    EXPECT_EQ(graph.bars[2].rect.height(), 0);
    EXPECT_TRUE(graph.bars[2].fits);
    EXPECT_EQ(ScoreGraphLayout::scoreFontPoints(117), 47);
}

TEST(ScoreGraphLayout, ExtremeScoresAndWidthsStayOnScreenWithoutOverflow)
{
    const auto extreme = scoreRows({{"min", "-2147483648"}, {"max", "2147483647"}, {"neg", "-1"}});
    for (const auto &rows : {extreme, scoreRows({{"a", "-1"}, {"b", "-2147483648"}})}) {
        for (int minBarWidth : {0, 2147483647, -2147483647 - 1}) {
            const auto graph = ScoreGraphLayout::layoutBars(rows, 375, 405, minBarWidth);
            EXPECT_LE(graph.barWidth, 1 << 20);
            for (const auto &bar : graph.bars) {
                EXPECT_LE(std::abs(qint64{bar.rect.top()}), 1 << 20);
                EXPECT_LE(std::abs(qint64{bar.rect.height()}), 1 << 20);
                EXPECT_LE(std::abs(qint64{bar.rect.left()}), 1 << 20);
            }
        }
    }
    EXPECT_EQ(ScoreGraphLayout::layoutBars(extreme, 375, 405, 2147483647).barWidth, ScoreGraphLayout::kMaxMinBarWidth);
}

TEST(ScoreGraphLayout, SpectatorsZeroScoresAndNarrowBoxes)
{
    QList<PlayerRows::Row> spectators = scoreRows({{"s", "3"}});
    spectators[0].ngWorldStats = QStringLiteral("Spectator");
    EXPECT_TRUE(ScoreGraphLayout::layoutBars(spectators, 300, 300, 0).bars.isEmpty());

    const auto zero = ScoreGraphLayout::layoutBars(scoreRows({{"a", "0"}, {"b", "0"}}), 300, 300, 0);
    EXPECT_EQ(zero.unit, 290);
    EXPECT_EQ(zero.bars[0].rect.height(), 0);

    QList<PlayerRows::Row> many;
    for (int k = 0; k < 40; ++k)
        many.append(scoreRows({{"p", "1"}}).first());
    const auto narrow = ScoreGraphLayout::layoutBars(many, 200, 300, 20);
    EXPECT_EQ(narrow.barWidth, 20);
    EXPECT_EQ(narrow.bars.size(), 40);
    EXPECT_TRUE(narrow.bars[6].fits);
    EXPECT_FALSE(narrow.bars[7].fits);
    EXPECT_EQ(narrow.bars[39].colorIndex, 39);
}

TEST(ScoreGraphLayout, PaletteWalksTheColourWheel)
{
    const auto p = ScoreGraphLayout::BarPalette();
    const auto rgb = [](int r, int g, int b) { return quint32(r) | quint32(g) << 8 | quint32(b) << 16; };
    EXPECT_EQ(p[0], rgb(248, 62, 0));
    EXPECT_EQ(p[3], rgb(248, 248, 0));
    EXPECT_EQ(p[7], rgb(0, 248, 0));
    EXPECT_EQ(p[23], rgb(248, 0, 0));
    EXPECT_EQ(p[24], p[0]);
    EXPECT_EQ(p[48], p[47]);
    EXPECT_EQ(p[49], p[47]);
}

TEST(ScoreGraphLayout, TeamBoxesAndSizes)
{
    EXPECT_EQ(ScoreGraphLayout::teamSizeValue(QStringLiteral("2.0")), 2);
    EXPECT_EQ(ScoreGraphLayout::teamSizeValue(QStringLiteral("4.000000")), 4);
    EXPECT_EQ(ScoreGraphLayout::teamSizeValue(QString()), 0);

    const auto boxes = ScoreGraphLayout::layoutTeams({{QStringLiteral("10.000000"), QStringLiteral("3")},
                                                      {QStringLiteral("8"), QStringLiteral("4")},
                                                      {QStringLiteral("0"), QStringLiteral("0")},
                                                      {QStringLiteral("0"), QStringLiteral("0")}},
                                                     400, 40);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].rect, QRect(10, 5, 185, 30));
    EXPECT_EQ(boxes[1].rect.left(), 205);
    EXPECT_EQ(boxes[0].score, 10);
    EXPECT_EQ(boxes[1].size, 4);
    EXPECT_TRUE(ScoreGraphLayout::layoutTeams({{QStringLiteral("5"), QStringLiteral("0")}}, 400, 40).isEmpty());
}

TEST(ScoreGraphLayout, OnlyTeamsWithPlayersGetABoxInTheirOwnColour)
{
    const QString none = QStringLiteral("0");
    // Everyone on Blue and Gold: two boxes, for slots 1 and 3, from the left.
    const auto boxes = ScoreGraphLayout::layoutTeams({{none, none},
                                                      {QStringLiteral("7"), QStringLiteral("2")},
                                                      {none, none},
                                                      {QStringLiteral("3"), QStringLiteral("1")}},
                                                     400, 40);
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].team, 1);
    EXPECT_EQ(boxes[0].score, 7);
    EXPECT_EQ(boxes[0].rect.left(), 10);
    EXPECT_EQ(boxes[1].team, 3);
    EXPECT_EQ(boxes[1].size, 1);
}

TEST(ScoreGraphLayout, StripHeightsRoundHalvesToEven)
{
    EXPECT_EQ(ScoreGraphLayout::playersStripHeight(531), 35);
    EXPECT_EQ(ScoreGraphLayout::scoreStripHeight(531), 34);
    // 77.5 / 15.5 is exactly 5; 69.75 would be 4.5 and go to 4.
    EXPECT_EQ(ScoreGraphLayout::scoreStripHeight(78), 5);
    EXPECT_EQ(ScoreGraphLayout::playersStripHeight(153), 10);
}

TEST(ScoreGraphLayout, FramesRaisedSunkenThinAndThick)
{
    using ScoreGraphLayout::FrameColor;
    const auto thin = ScoreGraphLayout::frameLines(QRect(10, 20, 30, 40), true, false);
    ASSERT_EQ(thin.size(), 4);
    EXPECT_EQ(thin[0].line, QLine(10, 20, 40, 20));
    EXPECT_EQ(thin[0].color, FrameColor::Light);
    EXPECT_EQ(thin[3].line, QLine(40, 21, 40, 60));
    EXPECT_EQ(thin[3].color, FrameColor::DarkShadow);
    const auto sunken = ScoreGraphLayout::frameLines(QRect(10, 20, 30, 40), false, true);
    ASSERT_EQ(sunken.size(), 8);
    EXPECT_EQ(sunken[0].color, FrameColor::DarkShadow);
    EXPECT_EQ(sunken[2].color, FrameColor::Shadow);
    EXPECT_EQ(sunken[7].color, FrameColor::Highlight);
}

TEST(BlinkState, TenTicksEndingAtRestAndRestartable)
{
    BlinkState blink;
    EXPECT_EQ(blink.tick(), -1);
    blink.startBlink(2);
    QList<int> shown;
    for (int icon = blink.tick(); icon >= 0; icon = blink.tick())
        shown.append(icon);
    EXPECT_EQ(shown, (QList<int>{2, 0, 2, 0, 2, 0, 2, 0, 2, 0}));
    blink.startBlink(3);
    blink.tick();
    blink.tick();
    blink.startBlink(4);
    EXPECT_EQ(blink.tick(), 4);
}

} // namespace
