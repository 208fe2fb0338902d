#include "config/ConfigFile.h"
#include "config/FavoritesImport.h"
#include "config/IniFile.h"
#include "config/ListStore.h"
#include "config/StoredServers.h"
#include "support/FakeEngineStack.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

namespace {

IniFile parse(const QByteArray &bytes)
{
    IniFile ini;
    ini.setBytes(bytes);
    return ini;
}

class StoredListsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    QStringList checkedNames() const
    {
        QStringList names;
        for (int k = 0; k < table.count(); ++k) {
            if (table.isChecked(k))
                names.append(table.entry(table.slotAt(k))->Name);
        }
        return names;
    }
};

TEST_F(StoredListsTest, BlankGroupsHideNothingAndIncompleteGroupsAreSkipped)
{
    const IniFile ini = parse("[servers]\n"
                              "ip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=First\n"
                              "ip[1]=10.0.0.2\nport[1]=0\ndesc[1]=No port\n"
                              "ip[2]=10.0.0.3\nport[2]=7778\ndesc[2]=\n"
                              "ip[3]=10.0.0.4\nport[3]=0x1E62\ndesc[3]=Hex port\n"
                              "ip[5]=10.0.0.6\nport[5]=7778\ndesc[5]=Behind the gap\n"
                              "ip[6]=\nport[6]=7778\ndesc[6]=No address\n"
                              "ip[255]=10.0.0.9\nport[255]=7778\ndesc[255]=Last\n"
                              "ip[256]=10.0.0.10\nport[256]=7778\ndesc[256]=Beyond the list\n");
    const QList<StoredServers::Entry> entries = StoredServers::loadServerList(ini);
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].name, QStringLiteral("First"));
    EXPECT_EQ(entries[1].address, QStringLiteral("10.0.0.4"));
    EXPECT_EQ(entries[1].port, 7778);
    EXPECT_EQ(entries[2].name, QStringLiteral("Behind the gap"));
    EXPECT_EQ(entries[2].position, 5);
    EXPECT_EQ(entries[3].name, QStringLiteral("Last"));
    EXPECT_EQ(entries[3].position, 255);
}

TEST_F(StoredListsTest, ARewriteKeepsTheServersBehindABlankGroup)
{
    IniFile ini = parse("[servers]\n"
                        "ip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=A\n"
                        "ip[2]=10.0.0.3\nport[2]=7778\ndesc[2]=C\n"
                        "ip[3]=10.0.0.4\nport[3]=7778\ndesc[3]=D\n");
    for (const StoredServers::Entry &e : StoredServers::loadServerList(ini))
        table.addServer(e.address, e.port, e.name);
    ASSERT_TRUE(StoredServers::rewriteServers(ini, table));

    QStringList names;
    for (const StoredServers::Entry &e : StoredServers::loadServerList(parse(ini.toBytes())))
        names.append(e.name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")}));
}

class StoredPort : public ::testing::TestWithParam<std::pair<const char *, int>>
{
};

TEST_P(StoredPort, OnlyPortsFrom1To65535AreRead)
{
    const IniFile ini = parse(QByteArray("[servers]\nip[0]=10.0.0.1\nport[0]=") + GetParam().first + "\ndesc[0]=A\n");
    const QList<StoredServers::Entry> entries = StoredServers::loadServerList(ini);
    if (GetParam().second == 0) {
        EXPECT_TRUE(entries.isEmpty()) << GetParam().first;
    } else {
        ASSERT_EQ(entries.size(), 1) << GetParam().first;
        EXPECT_EQ(entries[0].port, GetParam().second);
    }
}

INSTANTIATE_TEST_SUITE_P(StoredServers, StoredPort,
                         ::testing::Values(std::pair{"-2147483648", 0}, std::pair{"99999", 0}, std::pair{"0", 0},
                                           std::pair{"65536", 0}, std::pair{"-1", 0}, std::pair{"-7778", 0},
                                           std::pair{"1", 1}, std::pair{"65535", 65535}, std::pair{"$FFFF", 65535}));

TEST_F(StoredListsTest, RebuildSortsAndRewritesTheSectionWhole)
{
    table.addServer(QStringLiteral("10.0.0.2"), 7778, QStringLiteral("beta"));
    table.addServer(QStringLiteral("10.0.0.1"), 7790, QStringLiteral("Alpha, \"the\" first"));
    IniFile ini = parse("[servers]\nip[0]=old\nport[0]=1\ndesc[0]=old\nip[7]=stale\n[general]\nk=v\n");
    ASSERT_TRUE(StoredServers::rebuildServerConfig(ini, table, log));
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("rebuilding server config")));

    const QList<StoredServers::Entry> back = StoredServers::loadServerList(parse(ini.toBytes()));
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[0].name, QStringLiteral("Alpha, \"the\" first"));
    EXPECT_EQ(back[0].port, 7790);
    EXPECT_EQ(back[1].address, QStringLiteral("10.0.0.2"));
    EXPECT_FALSE(ini.hasKey(QStringLiteral("servers"), QStringLiteral("ip[7]")));
    EXPECT_EQ(ini.readString(QStringLiteral("general"), QStringLiteral("k")), QStringLiteral("v"));
}

TEST_F(StoredListsTest, CheckMarksNameStoredPositionsWhateverTheListShows)
{
    QTemporaryDir dir;
    ConfigFile config(dir.filePath(QStringLiteral("Quorvelin.ini")), platform.messages);
    config.write([](IniFile &ini, QString *) {
        const char *names[] = {"Charlie", "alpha", "bravo"};
        for (int n = 0; n < 3; ++n) {
            ini.writeString(QStringLiteral("servers"), QStringLiteral("ip[%1]").arg(n),
                            QStringLiteral("10.0.0.%1").arg(n + 1));
            ini.writeInteger(QStringLiteral("servers"), QStringLiteral("port[%1]").arg(n), 7778);
            ini.writeString(QStringLiteral("servers"), QStringLiteral("desc[%1]").arg(n),
                            QString::fromLatin1(names[n]));
        }
        return ini.writeString(QStringLiteral("general"), QStringLiteral("ServerListChecks"), QStringLiteral("0,2,"));
    });
    ListStore lists(config, table, log, platform.messages, {});
    for (const StoredServers::Entry &e : StoredServers::loadServerList(config.read()))
        table.addServer(e.address, e.port, e.name);
    lists.noteLoadedList();
    // Until the marks are restored, the close keeps the stored ones.
    EXPECT_EQ(lists.serverListChecks(true), std::nullopt);

    lists.finishStartUp(true);
    table.sortServerList(ServerTable::NameAscending);
    EXPECT_EQ(checkedNames(), (QStringList{QStringLiteral("bravo"), QStringLiteral("Charlie")}));
    EXPECT_EQ(lists.serverListChecks(true), QStringLiteral("0,2,"));

    // Once the section is rewritten in the shown order, the marks follow it.
    lists.storeServerList(false);
    EXPECT_EQ(lists.serverListChecks(true), QStringLiteral("1,2,"));
    EXPECT_EQ(lists.serverListChecks(false), QString());
    EXPECT_EQ(StoredServers::restoreServerChecks(parse("[general]\nserverlistchecks=0,2,9,\n")), (QList<int>{0, 2, 9}));
}

TEST_F(StoredListsTest, MarksSetWhileTheyWereNotRememberedAreStoredOnceTheyAre)
{
    QTemporaryDir dir;
    ConfigFile config(dir.filePath(QStringLiteral("Quorvelin.ini")), platform.messages);
    config.write([](IniFile &ini, QString *) {
        for (int n = 0; n < 2; ++n) {
            ini.writeString(QStringLiteral("servers"), QStringLiteral("ip[%1]").arg(n),
                            QStringLiteral("10.0.0.%1").arg(n + 1));
            ini.writeInteger(QStringLiteral("servers"), QStringLiteral("port[%1]").arg(n), 7778);
            ini.writeString(QStringLiteral("servers"), QStringLiteral("desc[%1]").arg(n), QStringLiteral("s%1").arg(n));
        }
        return ini.writeString(QStringLiteral("general"), QStringLiteral("ServerListChecks"), QStringLiteral("0,"));
    });
    ListStore lists(config, table, log, platform.messages, {});
    for (const StoredServers::Entry &e : StoredServers::loadServerList(config.read()))
        table.addServer(e.address, e.port, e.name);
    lists.noteLoadedList();
    // Started with the option off: nothing restored.
    lists.finishStartUp(false);
    EXPECT_TRUE(checkedNames().isEmpty());
    // Turned on later: the marks of the list are the ones to keep.
    table.setChecked(1, true);
    EXPECT_EQ(lists.serverListChecks(true), QStringLiteral("1,"));
    EXPECT_EQ(lists.serverListChecks(false), QString());
}

TEST_F(StoredListsTest, FavoritesFromARealShapedGameIni)
{
    const IniFile gameIni = parse("[URL]\r\nProtocol=unreal\r\n\r\n"
                                  "[UBrowser.UBrowserFavoritesFact]\r\n"
                                  "FavoriteCount=5\r\n"
                                  "Favorites[0]=Clan Base\\10.0.0.1\\7778\\False\r\n"
                                  "Favorites[1]=\r\n"
                                  "Favorites[2]=Short\\10.0.0.2\r\n"
                                  "Favorites[3]=Clan Base again\\10.0.0.1\\7778\\True\r\n"
                                  "Favorites[4]=Caf\xe9\\10.0.0.3\\7790\\\r\n"
                                  "[Engine.GameInfo]\r\nbLowGore=False\r\n");
    const std::optional<QStringList> favorites = FavoritesImport::readFavorites(gameIni);
    ASSERT_TRUE(favorites);
    ASSERT_EQ(favorites->size(), 5);

    const FavoritesImport::Favorite f = FavoritesImport::parseFavorite(favorites->at(0));
    EXPECT_EQ(f.name, QStringLiteral("Clan Base"));
    EXPECT_EQ(f.address, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(f.port, 7778);
    const FavoritesImport::Favorite shortOne = FavoritesImport::parseFavorite(favorites->at(2));
    EXPECT_EQ(shortOne.address, QString());
    EXPECT_EQ(shortOne.port, 0);

    // The repeated address and port is added once.
    const QList<FavoritesImport::Favorite> toAdd = FavoritesImport::serversToAdd(*favorites, table, log);
    ASSERT_EQ(toAdd.size(), 3);
    EXPECT_EQ(toAdd[2].name, QStringLiteral("Caf\u00e9"));
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] adding server 10.0.0.1:7778")));

    // A second import adds nothing the list already has.
    for (const FavoritesImport::Favorite &added : toAdd)
        table.addServer(added.address, added.port, added.name);
    EXPECT_TRUE(FavoritesImport::serversToAdd(*favorites, table, log).isEmpty());
}

TEST_F(StoredListsTest, FilesWithoutFavorites)
{
    EXPECT_FALSE(FavoritesImport::readFavorites(parse("[URL]\nProtocol=unreal\n")));
    const auto none = FavoritesImport::readFavorites(parse("[ubrowser.ubrowserfavoritesfact]\nFavoriteCount=0\n"));
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->isEmpty());
    const auto hostile =
        FavoritesImport::readFavorites(parse("[UBrowser.UBrowserFavoritesFact]\nFavoriteCount=2000000000\n"));
    ASSERT_TRUE(hostile);
    EXPECT_LE(hostile->size(), 4096);
}

} // namespace
