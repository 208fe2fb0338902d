#include "core/BuddyLocator.h"
#include "core/ReplyCodec.h"
#include "core/TUTServer.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

// A reply that lists these players, as the player scan's replies come in one datagram.
QByteArray listing(std::initializer_list<const char *> players)
{
    QByteArray reply = "\\numplayers\\" + QByteArray::number(static_cast<int>(players.size()));
    int k = 0;
    for (const char *name : players)
        reply += "\\player_" + QByteArray::number(k++) + '\\' + name;
    return reply + "\\final\\";
}

QDateTime at(int hour, int minute, int day = 12)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute));
}

struct Server
{
    int slot;
    BuddyLocator::Place place;
    TUTServer record;
};

class BuddyLocatorTest : public ::testing::Test
{
protected:
    // Times and dates read as in Britain, whatever the machine says.
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void TearDown() override { QLocale::setDefault(m_locale); }

    // The engine decoded the datagram into the server's record.
    BuddyLocator::Update reply(Server &server, const QByteArray &datagram, const QDateTime &now)
    {
        ReplyCodec::parseServerReply(server.record, datagram);
        return locator.replyDecoded(server.slot, server.place, server.record, datagram, now);
    }

    QString placeOf(const QString &buddy, const QDateTime &now = at(14, 30)) const
    {
        const std::optional<BuddyLocator::Sighting> sighting = locator.sighting(buddy);
        return sighting ? BuddyLocator::placeText(*sighting, now) : QStringLiteral("(unknown)");
    }

    BuddyLocator locator;
    Server zone{0,
                {QStringLiteral("10.0.0.1"), 7778, QStringLiteral("Frag Zone DM #1")},
                TUTServer(QStringLiteral("10.0.0.1"), 7778)};
    Server arena{
        1, {QStringLiteral("10.0.0.2"), 7778, QStringLiteral("Arena")}, TUTServer(QStringLiteral("10.0.0.2"), 7778)};

private:
    QLocale m_locale;
};

TEST_F(BuddyLocatorTest, ABuddyIsAnnouncedOncePerVisitAndSeenUntilTheyLeave)
{
    locator.setBuddies({QStringLiteral("alice"), QStringLiteral("Bob")});
    const BuddyLocator::Update joined = reply(zone, listing({"Alice", "Carol"}), at(14, 0));
    EXPECT_EQ(joined.joined, QStringList{QStringLiteral("alice")});
    EXPECT_EQ(joined.notification, QStringLiteral("alice joined Frag Zone DM #1"));
    EXPECT_EQ(joined.sentence, QStringLiteral("alice joined Frag Zone DM  1"));
    EXPECT_TRUE(joined.placesChanged);
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Frag Zone DM #1"));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("(unknown)"));

    // Still there: nothing to say, nothing to show anew.
    const BuddyLocator::Update again = reply(zone, listing({"Carol", "Alice"}), at(14, 5));
    EXPECT_TRUE(again.joined.isEmpty());
    EXPECT_FALSE(again.placesChanged);
    // A reply without the list of players says nothing about who is there.
    EXPECT_TRUE(
        reply(zone, "\\hostname\\Frag Zone\\numplayers\\1\\maxplayers\\16\\final\\", at(14, 7)).joined.isEmpty());
    EXPECT_TRUE(locator.sighting(QStringLiteral("alice"))->present);

    // Gone: last seen with the last reply that listed her.
    EXPECT_TRUE(reply(zone, listing({"Carol"}), at(14, 10)).placesChanged);
    EXPECT_EQ(locator.sighting(QStringLiteral("alice"))->lastSeen, at(14, 5));
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 14:05 on Frag Zone DM #1"));
    EXPECT_EQ(placeOf(QStringLiteral("alice"), at(9, 0, 13)),
              QStringLiteral("last seen 12/03/2024 on Frag Zone DM #1"));

    // Back again: a new visit, announced again.
    EXPECT_EQ(reply(zone, listing({"ALICE"}), at(14, 20)).joined, QStringList{QStringLiteral("alice")});
    EXPECT_TRUE(reply(zone, listing({"ALICE"}), at(14, 21)).joined.isEmpty());
}

TEST_F(BuddyLocatorTest, EachServerHasVisitsOfItsOwn)
{
    locator.setBuddies({QStringLiteral("alice"), QStringLiteral("Bob")});
    EXPECT_EQ(reply(zone, listing({"alice"}), at(14, 0)).joined, QStringList{QStringLiteral("alice")});
    const BuddyLocator::Update both = reply(arena, listing({"BOB", "Carol", "alice"}), at(14, 1));
    EXPECT_EQ(both.joined, (QStringList{QStringLiteral("Bob"), QStringLiteral("alice")}));
    EXPECT_EQ(both.notification, QStringLiteral("Bob and alice joined Arena"));
    EXPECT_EQ(both.sentence, QStringLiteral("Bob and alice joined Arena"));
    // On two servers at once: the one she went to last.
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Arena"));

    EXPECT_TRUE(reply(zone, "\\numplayers\\0\\final\\", at(14, 2)).placesChanged);
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Arena"));
    EXPECT_TRUE(reply(arena, listing({"Bob"}), at(14, 3)).joined.isEmpty());
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 14:01 on Arena"));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("on Arena"));

    EXPECT_EQ(reply(zone, listing({"alice", "bob"}), at(14, 4)).joined,
              (QStringList{QStringLiteral("alice"), QStringLiteral("Bob")}));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("on Frag Zone DM #1"));
}

TEST_F(BuddyLocatorTest, ALongListEndsVisitsOnlyWithItsLastDatagram)
{
    locator.setBuddies({QStringLiteral("alice")});
    reply(zone, listing({"alice", "Carol"}), at(14, 0));
    // Carol takes the first line; alice's comes in the second datagram.
    EXPECT_FALSE(reply(zone, "\\player_0\\Carol\\queryid\\9.1", at(14, 1)).placesChanged);
    const BuddyLocator::Update last = reply(zone, "\\player_1\\alice\\queryid\\9.2\\final\\", at(14, 1));
    EXPECT_TRUE(last.joined.isEmpty());
    EXPECT_FALSE(last.placesChanged);
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Frag Zone DM #1"));
}

TEST_F(BuddyLocatorTest, ASilentServerEndsItsVisitsAfterThreeScans)
{
    locator.setBuddies({QStringLiteral("alice"), QStringLiteral("Bob")});
    reply(zone, listing({"alice"}), at(14, 0));
    reply(arena, listing({"Bob"}), at(14, 0));
    EXPECT_FALSE(locator.scanFinished());
    for (int scan = 1; scan < BuddyLocator::kSilentScans; ++scan) {
        reply(arena, listing({"Bob"}), at(14, scan));
        EXPECT_FALSE(locator.scanFinished());
        EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Frag Zone DM #1"));
    }
    reply(arena, listing({"Bob"}), at(14, 9));
    EXPECT_TRUE(locator.scanFinished());
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 14:00 on Frag Zone DM #1"));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("on Arena"));

    // Heard from again: a new visit.
    EXPECT_EQ(reply(zone, listing({"alice"}), at(14, 12)).joined, QStringList{QStringLiteral("alice")});
}

TEST_F(BuddyLocatorTest, AnotherServerInTheSlotEndsTheVisitsOfTheOneBefore)
{
    locator.setBuddies({QStringLiteral("alice")});
    reply(zone, listing({"alice"}), at(14, 0));
    Server other{zone.slot,
                 {QStringLiteral("10.0.0.9"), 7778, QStringLiteral("Other")},
                 TUTServer(QStringLiteral("10.0.0.9"), 7778)};
    EXPECT_TRUE(reply(other, "\\hostname\\Other\\final\\", at(14, 1)).placesChanged);
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 14:00 on Frag Zone DM #1"));
}

TEST_F(BuddyLocatorTest, ListChangesFindNewBuddiesAndForgetRemovedOnes)
{
    locator.setBuddies({QStringLiteral("alice")});
    EXPECT_EQ(reply(zone, listing({"alice", "Bob"}), at(14, 0)).joined, QStringList{QStringLiteral("alice")});
    locator.setBuddies({QStringLiteral("alice"), QStringLiteral("Bob")});
    EXPECT_EQ(reply(zone, listing({"alice", "Bob"}), at(14, 1)).joined, QStringList{QStringLiteral("Bob")});
    locator.setBuddies({QStringLiteral("Bob")});
    EXPECT_FALSE(locator.sighting(QStringLiteral("alice")).has_value());
    EXPECT_TRUE(reply(zone, listing({"alice", "Bob"}), at(14, 2)).joined.isEmpty());
}

TEST_F(BuddyLocatorTest, StoredSightingsStandInUntilThisRunSeesTheBuddy)
{
    QStringList asked;
    locator.setStoredSightings([&asked](const QString &buddy) -> std::optional<BuddyLocator::Sighting> {
        asked.append(buddy);
        if (buddy != QStringLiteral("alice"))
            return std::nullopt;
        return BuddyLocator::Sighting{
            {QStringLiteral("ut.example.net"), 7778, QStringLiteral("Old Haunt")}, at(20, 0, 10), true};
    });
    locator.setBuddies({QStringLiteral("alice"), QStringLiteral("Bob")});
    // What is stored was; only this run tells who is on a server now.
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 10/03/2024 on Old Haunt"));
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 10/03/2024 on Old Haunt"));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("(unknown)"));
    EXPECT_EQ(placeOf(QStringLiteral("Bob")), QStringLiteral("(unknown)"));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("alice"), QStringLiteral("Bob")}));

    reply(zone, listing({"alice"}), at(14, 0));
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("on Frag Zone DM #1"));
    reply(zone, listing({}), at(14, 1));
    EXPECT_EQ(placeOf(QStringLiteral("alice")), QStringLiteral("last seen 14:00 on Frag Zone DM #1"));
    EXPECT_EQ(locator.sighting(QStringLiteral("alice"))->place.host, QStringLiteral("10.0.0.1"));
}

struct NameCase
{
    const char *buddy; // as typed into the list (UTF-8 source text)
    QByteArray player; // as the server sends it
    bool found;
};

class BuddyLocatorNames : public BuddyLocatorTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(BuddyLocatorNames, MatchAsOnTheSelectedServer)
{
    const QString buddy = QString::fromUtf8(GetParam().buddy);
    locator.setBuddies({buddy});
    const QByteArray datagram = "\\numplayers\\2\\player_0\\Carol\\player_1\\" + GetParam().player + "\\final\\";
    const BuddyLocator::Update update = reply(zone, datagram, at(14, 0));
    EXPECT_EQ(update.joined, GetParam().found ? QStringList{buddy} : QStringList{});
    EXPECT_EQ(locator.sighting(buddy).has_value(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(BuddyLocator, BuddyLocatorNames,
                         ::testing::Values(NameCase{"Ren\u00e9", "Ren\xe9", true},     // Windows-1252
                                           NameCase{"REN\u00c9", "ren\xe9", true},     // without regard to case
                                           NameCase{"\u00e9lodie", "\xc9LODIE", true}, // a capital outside ASCII
                                           NameCase{"\u20acuro", "\x80uro", true},     // the euro sign of Windows-1252
                                           NameCase{"Zo\u00eb", "Zo\xc3\xab", true},   // UTF-8 from a newer server
                                           NameCase{"Rene", "Ren\xe9", false},         // an accent counts
                                           NameCase{"Neo", "  Neo ", true},            // blanks around do not
                                           NameCase{"Ne o", "Neo", false},             // blanks inside do
                                           NameCase{"[AB]Neo", "[ab]neo", true}));

TEST_F(BuddyLocatorTest, SpokenNamesLeaveOutTheirSymbols)
{
    locator.setBuddies({QStringLiteral("[AB]Neo")});
    const BuddyLocator::Update update = reply(zone, listing({"[AB]NEO"}), at(14, 0));
    EXPECT_EQ(update.sentence, QStringLiteral(" AB Neo joined Frag Zone DM  1"));
    EXPECT_EQ(update.notification, QStringLiteral("[AB]Neo joined Frag Zone DM #1"));
}

} // namespace
