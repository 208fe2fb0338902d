#include "core/DottedAddress.h"
#include "core/ReplyCodec.h"
#include "core/ServerRecordFormat.h"
#include "core/TServerListInfo.h"
#include "core/TUTServer.h"
#include "core/TitleBar.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

TEST(TitleBar, ReplacesEveryPlaceholderWithoutRegardToCase)
{
    TUTServer server(QStringLiteral("10.0.0.1"), 7778);
    server.Ping = 42;
    server.MapTitle = "Deck16";
    TServerListInfo entry;
    entry.Name = QStringLiteral("Alpha");
    entry.CurPlayers = "3";
    entry.MaxPlayers = "10";

    const QString t = TitleBar::format(QStringLiteral("%SERVERNAME (%playerload)"), entry, server);
    EXPECT_EQ(TitleBar::caption(t), QStringLiteral("Quorvelin - Alpha (3|10)"));
    EXPECT_EQ(TitleBar::trayHint(t), QStringLiteral("Alpha (3I10)"));

    EXPECT_EQ(TitleBar::format(QStringLiteral("%ping %Ping|%maptitle|%serveraddress|%currentplayers/%maxplayers"), entry, server),
              QStringLiteral("ping: 42ms ping: 42ms|Deck16|10.0.0.1:7778|3/10"));

    // Reply text reads as the views read it: UTF-8 when valid, else Windows-1252.
    server.MapTitle = "Caf\xc3\xa9 Gr\xc3\xb6\xc3\x9f""e";
    EXPECT_EQ(TitleBar::format(QStringLiteral("%maptitle"), entry, server), QStringLiteral("Caf\u00e9 Gr\u00f6\u00dfe"));
    server.MapTitle = "Caf\xe9 \x80";
    EXPECT_EQ(TitleBar::format(QStringLiteral("%maptitle"), entry, server), QStringLiteral("Caf\u00e9 \u20ac"));

    // The name is put in first, so a placeholder inside it is replaced too.
    entry.Name = QStringLiteral("fast %ping");
    EXPECT_EQ(TitleBar::format(QStringLiteral("[%servername]"), entry, server), QStringLiteral("[fast ping: 42ms]"));
}

struct AddressCase
{
    const char *host;
    bool ok;
    const char *error;
};

class DottedAddressCase : public ::testing::TestWithParam<AddressCase>
{
};

TEST_P(DottedAddressCase, ParsesOrExplains)
{
    const DottedAddress a = DottedAddress::parse(QString::fromLatin1(GetParam().host));
    EXPECT_EQ(a.ok, GetParam().ok);
    EXPECT_EQ(a.error, QString::fromLatin1(GetParam().error));
}

INSTANTIATE_TEST_SUITE_P(
    DottedAddress, DottedAddressCase,
    ::testing::Values(AddressCase{"127.0.0.1", true, ""}, AddressCase{"10.1.2.255", true, ""},
                      AddressCase{"ut.example.org", false, "'ut' is not a valid integer value"},
                      AddressCase{"10.0.x.1", false, "'x' is not a valid integer value"},
                      AddressCase{"1.2.3", false, "'1.2.3' is not a valid IPv4 address"},
                      AddressCase{"1.2.3.256", false, "'1.2.3.256' is not a valid IPv4 address"},
                      AddressCase{"1.2.3.4.5", false, "'1.2.3.4.5' is not a valid IPv4 address"},
                      AddressCase{"1.2.+3.4", false, "'1.2.+3.4' is not a valid IPv4 address"},
                      AddressCase{"1.2.0x3.4", false, "'1.2.0x3.4' is not a valid IPv4 address"},
                      AddressCase{"1.2. 3.4", false, "'1.2. 3.4' is not a valid IPv4 address"},
                      AddressCase{"1..3.4", false, "'' is not a valid integer value"},
                      AddressCase{"", false, "'' is not a valid integer value"}));

TEST(DottedAddress, UnsetForms)
{
    for (const char *host : {"", "0", "0.0", "0.0.0", "0.0.0.0"})
        EXPECT_TRUE(DottedAddress::isUnset(QString::fromLatin1(host))) << host;
    EXPECT_FALSE(DottedAddress::isUnset(QStringLiteral("0.0.0.1")));
}

TEST(ServerRecordFormat, JsonLineIsValidAndKeepsEveryByte)
{
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    ReplyCodec::parseServerReply(server, "\\hostname\\Quote \" and \x01 caf\xe9\\numplayers\\2\\player_0\\J\xf6rg"
                                         "\\frags_0\\5\\player_1\\B\\");
    ReplyCodec::parseServerReply(server, "\\team_0\\Red\\score_0\\3\\size_0\\1\\");
    server.Ping = 17;
    const QByteArray line = ServerRecordFormat::toJsonLine(server, true);
    ASSERT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);

    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
    EXPECT_EQ(o.value(QStringLiteral("Host")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(o.value(QStringLiteral("QueryPort")).toInt(), 7778);
    EXPECT_EQ(o.value(QStringLiteral("HostName")).toString().toLatin1(), QByteArray("Quote \" and \x01 caf\xe9"));
    EXPECT_EQ(o.value(QStringLiteral("Ping")).toInt(), 17);
    EXPECT_EQ(o.value(QStringLiteral("Replied")), QJsonValue(true));
    const QJsonObject silent = QJsonDocument::fromJson(ServerRecordFormat::toJsonLine(server, false)).object();
    EXPECT_EQ(silent.value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(o.value(QStringLiteral("PlayerSlotCount")).toString(), QStringLiteral("2"));
    const QJsonArray players = o.value(QStringLiteral("Players")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Name")).toString().toLatin1(), QByteArray("J\xf6rg"));
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Frags")).toString(), QStringLiteral("5"));
    EXPECT_EQ(o.value(QStringLiteral("Teams")).toArray().size(), 4);
    EXPECT_EQ(o.value(QStringLiteral("Teams")).toArray()[0].toObject().value(QStringLiteral("Name")).toString(),
              QStringLiteral("Red"));
    for (const TUTServer::TextField &field : TUTServer::textFields())
        EXPECT_TRUE(o.contains(QLatin1String(field.name))) << field.name;
}

TEST(ServerRecordFormat, TextNamesSilentServers)
{
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    EXPECT_EQ(ServerRecordFormat::toText(server, false), QByteArray("127.0.0.1:7778  no reply\n"));
    server.HostName = "Alpha";
    EXPECT_TRUE(ServerRecordFormat::toText(server, true).startsWith("127.0.0.1:7778  Alpha\n"));
}

} // namespace
