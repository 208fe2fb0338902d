#include "core/DottedAddress.h"
#include "core/ReplyCodec.h"
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

    EXPECT_EQ(TitleBar::format(QStringLiteral("%ping %Ping|%maptitle|%serveraddress|%currentplayers/%maxplayers"),
                               entry, server),
              QStringLiteral("ping: 42ms ping: 42ms|Deck16|10.0.0.1:7778|3/10"));

    // Reply text reads as the views read it: UTF-8 when valid, else Windows-1252.
    server.MapTitle = "Caf\xc3\xa9 Gr\xc3\xb6\xc3\x9f"
                      "e";
    EXPECT_EQ(TitleBar::format(QStringLiteral("%maptitle"), entry, server),
              QStringLiteral("Caf\u00e9 Gr\u00f6\u00dfe"));
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

INSTANTIATE_TEST_SUITE_P(DottedAddress, DottedAddressCase,
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

} // namespace
