#include "core/DottedAddress.h"
#include "core/ServerAddress.h"
#include "discovery/Beacon.h"
#include "discovery/MasterList.h"
#include "discovery/MasterRows.h"
#include "discovery/ReachabilityTest.h"
#include "discovery/SecureValidate.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using MasterList::ListedServer;

namespace {

TEST(MasterRequest, CarriesOnlyTheChosenFilters)
{
    EXPECT_EQ(MasterList::listRequest({}, 0), QByteArray("\\list\\\\gamename\\ut"));
    EXPECT_EQ(MasterList::listRequest({}, 7), QByteArray("\\list\\\\gamename\\ut\\location\\7"));
    EXPECT_EQ(MasterList::listRequest(QStringLiteral("CTFGame"), 12),
              QByteArray("\\list\\\\gamename\\ut\\gametype\\CTFGame\\location\\12"));
    EXPECT_EQ(MasterList::listRequest(QStringLiteral("CTFGame"), 13),
              QByteArray("\\list\\\\gamename\\ut\\gametype\\CTFGame"));
    EXPECT_EQ(MasterList::gameTypeRequest(), QByteArray("\\list\\info\\gamename\\ut"));
}

TEST(MasterChallenge, IsAnsweredWithTheValidateMessage)
{
    EXPECT_EQ(SecureValidate::response("ABCDEF"), QByteArray("5OOIQ5Ha"));
    EXPECT_EQ(SecureValidate::response("XYZABC"), QByteArray("3PlaE7km"));

    EXPECT_EQ(MasterList::challengeOf("\\basic\\\\secure\\ABCDEF"), QByteArray("ABCDEF"));
    EXPECT_EQ(MasterList::challengeOf("\\basic\\\\secure\\ABCDEF\\final\\"), QByteArray("ABCDEF"));
    EXPECT_FALSE(MasterList::challengeOf("\\basic\\\\secure\\\\final\\"));
    EXPECT_FALSE(MasterList::challengeOf("hello"));
    EXPECT_EQ(MasterList::validateMessage("ABCDEF"),
              QByteArray("\\gamename\\ut\\location\\0\\validate\\5OOIQ5Ha\\final\\"));
}

TEST(MasterListParse, TakesIpFieldsOnlyAndDropsWhatCannotBeQueried)
{
    EXPECT_EQ(MasterList::parseServerList("\\ip\\1.2.3.4:7778\\ip\\5.6.7.8:7778\\final\\"),
              (QList<ListedServer>{{QStringLiteral("1.2.3.4"), QStringLiteral("7778")},
                                   {QStringLiteral("5.6.7.8"), QStringLiteral("7778")}}));
    // Other keys give no row, keys are matched without regard to case, and
    // an "ip" value is never itself taken as a key.
    EXPECT_EQ(MasterList::parseServerList("\\basic\\\\IP\\9.9.9.9:7778\\gamename\\ut\\ip\\ip\\final\\"),
              (QList<ListedServer>{{QStringLiteral("9.9.9.9"), QStringLiteral("7778")}}));
    // Blanks and line breaks separate fields too; a quoted field keeps its blanks.
    EXPECT_EQ(MasterList::parseServerList("\\ip\\ 1.2.3.4:1 \r\n\\ip\\\"5.6.7.8:2\""),
              (QList<ListedServer>{{QStringLiteral("1.2.3.4"), QStringLiteral("1")},
                                   {QStringLiteral("5.6.7.8"), QStringLiteral("2")}}));
    // Ports read as numbers are listed in decimal, as replies name their sender's port.
    EXPECT_EQ(MasterList::parseServerList("\\ip\\1.2.3.4:$1E62\\ip\\1.2.3.4:+7779"),
              (QList<ListedServer>{{QStringLiteral("1.2.3.4"), QStringLiteral("7778")},
                                   {QStringLiteral("1.2.3.4"), QStringLiteral("7779")}}));
    // Names, ports out of range and half entries are left out.
    EXPECT_TRUE(MasterList::parseServerList("\\ip\\evil.example:7778\\ip\\1.2.3.4:99999\\ip\\1.2.3.4:0"
                                            "\\ip\\1.2.3:7778\\ip\\1.2.3.4\\ip\\")
                    .isEmpty());
}

// Replies name their sender in the canonical dotted form, so an address
// written with leading zeros is taken in that form wherever it comes in.
TEST(AddressesWithLeadingZeros, AreTakenInTheFormRepliesComeFrom)
{
    const DottedAddress zeros = DottedAddress::parse(QStringLiteral("010.000.000.001"));
    ASSERT_TRUE(zeros.ok);
    EXPECT_EQ(zeros.text(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(DottedAddress::canonical(QStringLiteral("127.000.000.001")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(DottedAddress::canonical(QStringLiteral("0.0.0.0")), QStringLiteral("0.0.0.0"));
    // Text that is no dotted address stays as it is.
    for (const char *text : {"ut.example.org", "1.2.3", "1.2.3.256", "", "0"})
        EXPECT_EQ(DottedAddress::canonical(QString::fromLatin1(text)), QString::fromLatin1(text)) << text;

    QString error;
    const std::optional<ServerAddress> typed = ServerAddress::parse(QStringLiteral("010.000.000.001:7778"), &error);
    ASSERT_TRUE(typed) << error.toStdString();
    EXPECT_EQ(typed->address, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(ServerAddress::parse(QStringLiteral("ut.example.org:7778"), &error)->address,
              QStringLiteral("ut.example.org"));

    EXPECT_EQ(MasterList::parseServerList("\\ip\\010.000.000.001:7778\\ip\\192.168.001.020:7779\\final\\"),
              (QList<ListedServer>{{QStringLiteral("10.0.0.1"), QStringLiteral("7778")},
                                   {QStringLiteral("192.168.1.20"), QStringLiteral("7779")}}));
    EXPECT_EQ(MasterList::parseHttpList("010.000.000.001:7777\r\nut.example.org:7777\r\n"),
              (QList<ListedServer>{{QStringLiteral("10.0.0.1"), QStringLiteral("7778")},
                                   {QStringLiteral("ut.example.org"), QStringLiteral("7778")}}));
}

TEST(HttpListParse, GivesQueryPortsAndSkipsUnusableLines)
{
    EXPECT_EQ(MasterList::parseHttpList("1.2.3.4:7777\r\n\r\nno colon here\n5.6.7.8:7790\n:7777\n9.9.9.9:\n"
                                        "9.9.9.9:x\n9.9.9.9:65535\nhost.example:7777"),
              (QList<ListedServer>{{QStringLiteral("1.2.3.4"), QStringLiteral("7778")},
                                   {QStringLiteral("5.6.7.8"), QStringLiteral("7791")},
                                   {QStringLiteral("host.example"), QStringLiteral("7778")}}));
}

TEST(GameTypesParse, KeepsFirstSpellingsAfterTheAnyEntry)
{
    EXPECT_EQ(MasterList::parseGameTypes("\\gametype\\CTFGame\\gametype\\ctfgame\\gametype\\\\gametype\\Domination"
                                         "\\gametype\\(ANY GAMETYPE)\\final\\"),
              (QStringList{QStringLiteral("(any gametype)"), QStringLiteral("CTFGame"), QStringLiteral("Domination")}));
    // A key with no backslash after it has an empty value.
    EXPECT_EQ(MasterList::parseGameTypes("\\gametype\\Assault"), QStringList{QStringLiteral("(any gametype)")});
}

TEST(ServerInfoParse, TakesEachKeyFromWhatTheEarlierOnesLeft)
{
    const auto fields =
        MasterList::parseServerInfo("\\hostname\\Caf\xc3\xa9\\gametype\\CTFGame\\numplayers\\3\\gamever\\451\\final\\");
    EXPECT_EQ(fields.hostName, QStringLiteral("Café"));
    EXPECT_EQ(fields.gameType, QStringLiteral("CTFGame"));
    EXPECT_EQ(fields.gameVersion, QStringLiteral("451"));

    // The key found first is cut out with its value before the next key is
    // looked for, so text around it can join into a new key.
    const auto joined = MasterList::parseServerInfo("\\gametype\\hostname\\x\\y\\");
    EXPECT_EQ(joined.hostName, QStringLiteral("x"));
    EXPECT_EQ(joined.gameType, QStringLiteral("y"));
    EXPECT_FALSE(joined.gameVersion);

    // No backslash after the value: it is empty.
    EXPECT_EQ(MasterList::parseServerInfo("\\gametype\\hostname\\x\\y").gameType, QString());
    EXPECT_EQ(MasterList::parseServerInfo("\\gamever\\").gameVersion, QString());
    EXPECT_EQ(MasterList::hostNameOf("\\hostname\\A\\hostname\\B\\"), QStringLiteral("A"));
    EXPECT_EQ(MasterList::hostNameOf("\\hostname\\no end"), QString());
}

TEST(BeaconAnswer, IsUtAndAQueryPort)
{
    EXPECT_EQ(Beacon::answerPort("ut 7778"), 7778);
    EXPECT_EQ(Beacon::answerPort("ut\t7790"), 7790);
    EXPECT_FALSE(Beacon::answerPort("UT 7778"));
    EXPECT_FALSE(Beacon::answerPort("xx 7778"));
    EXPECT_FALSE(Beacon::answerPort("ut 7777 host title"));
    EXPECT_FALSE(Beacon::answerPort("ut 70000"));
    EXPECT_FALSE(Beacon::answerPort("ut"));
}

TEST(BeaconBroadcast, FollowsTheAddressClass)
{
    EXPECT_EQ(Beacon::classfulBroadcast(QStringLiteral("192.168.1.20")), QStringLiteral("192.168.1.255"));
    EXPECT_EQ(Beacon::classfulBroadcast(QStringLiteral("10.0.0.7")), QStringLiteral("10.255.255.255"));
    EXPECT_EQ(Beacon::classfulBroadcast(QStringLiteral("172.16.1.2")), QStringLiteral("172.16.255.255"));
    EXPECT_EQ(Beacon::classfulBroadcast(QStringLiteral("127.0.0.1")), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Beacon::classfulBroadcast(QStringLiteral("224.0.0.1")), QStringLiteral("224.0.0.1"));
}

TEST(ReachabilityVerdict, ReadsFixedPositions)
{
    const auto found = ReachabilityTest::judge("\\gamename\\ut\\gamever\\436\\minnetver\\432\\final\\");
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.text, QStringLiteral("Found UT server, version 436"));
    EXPECT_EQ(ReachabilityTest::judge("\\gamename\\ut\\gamever\\4").text, QStringLiteral("Found UT server, version 4"));
    EXPECT_EQ(ReachabilityTest::judge("\\gamename\\ut").text, QStringLiteral("Found UT server, version "));
    const auto other = ReachabilityTest::judge("\\gamename\\unreal\\gamever\\226");
    EXPECT_FALSE(other.found);
    EXPECT_EQ(other.text, QStringLiteral("No UT server found"));
}

class MasterRowsTest : public ::testing::Test
{
protected:
    MasterRowsTest()
    {
        rows.setServers({{QStringLiteral("10.0.0.2"), QStringLiteral("7778")},
                         {QStringLiteral("9.0.0.1"), QStringLiteral("7778")},
                         {QStringLiteral("10.0.0.10"), QStringLiteral("7790")},
                         {QStringLiteral("9.0.0.1"), QStringLiteral("7778")}});
    }

    void reply(int position, quint32 sentAt, quint32 arrivedAt, const QByteArray &datagram)
    {
        rows.markQueried(position, sentAt);
        rows.applyReply(position, datagram, arrivedAt);
    }

    QStringList column(int column) const
    {
        QStringList texts;
        for (int i = 0; i < rows.count(); ++i)
            texts.append(rows.data(rows.index(i, column)).toString());
        return texts;
    }

    MasterRows rows;
};

TEST_F(MasterRowsTest, RepliesGoToTheFirstRowOfTheirSender)
{
    EXPECT_EQ(rows.positionOfSender(QStringLiteral("9.0.0.1"), 7778), 1);
    EXPECT_EQ(rows.positionOfSender(QStringLiteral("9.0.0.1"), 7779), -1);
    reply(1, 100, 130, "\\hostname\\One\\gametype\\DM\\gamever\\436\\final\\");
    reply(1, 200, 212, "\\hostname\\Two\\gamever\\451\\final\\");
    const MasterRows::Row &row = rows.row(1);
    EXPECT_EQ(row.name, QStringLiteral("Two"));
    EXPECT_EQ(row.ping, QStringLiteral("12"));
    EXPECT_EQ(row.gameType, QStringLiteral("DM"));
    EXPECT_EQ(row.version, QStringLiteral("451"));
    EXPECT_EQ(row.data, QByteArray("\\hostname\\Two\\gamever\\451\\final\\"));
    EXPECT_TRUE(rows.row(3).name.isEmpty());
}

TEST_F(MasterRowsTest, SortsEmptyValuesLastInBothDirections)
{
    reply(0, 0, 40, "\\hostname\\b\\");
    reply(2, 0, 5, "\\hostname\\A\\");
    rows.sortByColumn(MasterRows::PingColumn);
    EXPECT_EQ(column(MasterRows::PingColumn), (QStringList{QStringLiteral("5"), QStringLiteral("40"), {}, {}}));
    rows.sortByColumn(MasterRows::PingColumn);
    EXPECT_EQ(column(MasterRows::PingColumn), (QStringList{QStringLiteral("40"), QStringLiteral("5"), {}, {}}));
    EXPECT_EQ(rows.sortColumn(), MasterRows::PingColumn + 10);
    // Another column starts ascending; names compare without regard to case.
    rows.sortByColumn(MasterRows::NameColumn);
    EXPECT_EQ(column(MasterRows::NameColumn), (QStringList{QStringLiteral("A"), QStringLiteral("b"), {}, {}}));
    // Addresses compare octet by octet, not as text; routing follows the rows.
    rows.sortByColumn(MasterRows::AddressColumn);
    EXPECT_EQ(column(MasterRows::AddressColumn),
              (QStringList{QStringLiteral("9.0.0.1"), QStringLiteral("9.0.0.1"), QStringLiteral("10.0.0.2"),
                           QStringLiteral("10.0.0.10")}));
    EXPECT_EQ(rows.positionOfSender(QStringLiteral("10.0.0.10"), 7790), 3);
}

} // namespace
