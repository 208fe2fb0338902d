#include "core/DebugLog.h"
#include "core/ServerTable.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <QItemSelectionModel>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

class ServerTableTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    int add(const QString &name, const char *cur = "0", const char *max = "0", quint32 ping = 0)
    {
        const int slot = table.addServer(QStringLiteral("10.0.0.%1").arg(table.count() + 1), 7778, name);
        table.server(slot)->NumPlayers = cur;
        table.server(slot)->MaxPlayers = max;
        table.server(slot)->Ping = ping;
        table.syncListCounts(slot);
        return slot;
    }

    QStringList names() const
    {
        QStringList result;
        for (int k = 0; k < table.count(); ++k)
            result.append(table.entry(table.slotAt(k))->Name);
        return result;
    }
};

TEST_F(ServerTableTest, FillsAllSlotsThenRefuses)
{
    for (int k = 0; k < ServerTable::kSlotCount; ++k)
        ASSERT_EQ(table.addServer(QStringLiteral("127.0.0.1"), 7000 + k, QString()), k);
    EXPECT_EQ(table.addServer(QStringLiteral("127.0.0.1"), 9999, QString()), ServerTable::kSlotCount);
    EXPECT_EQ(table.count(), ServerTable::kSlotCount);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral("can not add more that 256 servers")));
}

TEST_F(ServerTableTest, FreedSlotIsReusedAndOthersKeepTheirRecords)
{
    for (int k = 0; k < 5; ++k)
        add(QStringLiteral("s%1").arg(k));
    table.server(4)->HostName = "four";
    table.removeAt(table.positionOfSlot(3));
    EXPECT_TRUE(table.isFree(3));
    EXPECT_EQ(table.addServer(QStringLiteral("127.0.0.1"), 7778, QString()), 3);
    EXPECT_EQ(table.server(4)->HostName, "four");
    EXPECT_EQ(table.entry(2)->Name, QStringLiteral("s2"));
    // The new server is appended at the end of the list, whatever its slot.
    EXPECT_EQ(table.slotAt(table.count() - 1), 3);
}

TEST_F(ServerTableTest, LooksNamesUpInTheBackgroundAndNamesUnnamedServersByAddress)
{
    QList<int> resolved, failed;
    QObject::connect(&table, &ServerTable::addressResolved, &table, [&](int slot) { resolved.append(slot); });
    QObject::connect(&table, &ServerTable::addressFailed, &table, [&](int slot) { failed.append(slot); });
    platform.resolver.names.insert(QStringLiteral("ut.example.org"), QStringLiteral("192.0.2.7"));
    const int slot = table.addServer(QStringLiteral("ut.example.org"), 7778, QString());
    // Added at once; the address follows.
    EXPECT_EQ(table.addressState(slot), ServerTable::AddressState::LookingUp);
    ASSERT_TRUE(waitUntil([&] { return !resolved.isEmpty(); }));
    EXPECT_EQ(resolved, QList<int>{slot});
    EXPECT_EQ(table.server(slot)->Host, QStringLiteral("192.0.2.7"));
    EXPECT_EQ(table.entry(slot)->Name, QStringLiteral("192.0.2.7:7778"));
    EXPECT_EQ(table.server(slot)->queryPort(), 7778);
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] resolved ut.example.org to 192.0.2.7 using the new one")));
    // A name resolved once is known when added again, and matches its server.
    EXPECT_EQ(table.slotOfServer(QStringLiteral("ut.example.org"), 7778), slot);

    const int unresolved = table.addServer(QStringLiteral("nowhere.invalid"), 7778, QStringLiteral("N"));
    ASSERT_TRUE(waitUntil([&] { return !failed.isEmpty(); }));
    EXPECT_EQ(table.server(unresolved)->Host, QStringLiteral("nowhere.invalid"));
    EXPECT_EQ(table.addressState(unresolved), ServerTable::AddressState::Failed);
    EXPECT_TRUE(lines.contains(QStringLiteral("[12:00:00] error: resolved nowhere.invalid to nothing")));
    table.lookUpAgain(unresolved);
    EXPECT_EQ(platform.resolver.lookUps.count(QStringLiteral("nowhere.invalid")), 2);

    // Digits and dots that are no address never go to the name service.
    const int numeric = table.addServer(QStringLiteral("1.2.3"), 7778, QString());
    ASSERT_TRUE(waitUntil([&] { return failed.contains(numeric); }));
    EXPECT_FALSE(platform.resolver.lookUps.contains(QStringLiteral("1.2.3")));
}

TEST_F(ServerTableTest, AnAddressWithLeadingZerosIsKeptAsRepliesNameTheirSender)
{
    // As a stored list or an older installation may hold it.
    const int slot = table.addServer(QStringLiteral("010.000.000.001"), 7778, QString());
    EXPECT_EQ(table.server(slot)->Host, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(table.slotForSender(QStringLiteral("10.0.0.1"), 7778), slot);
    EXPECT_EQ(table.slotOfServer(QStringLiteral("010.0.0.01"), 7778), slot);
    EXPECT_EQ(table.addressState(slot), ServerTable::AddressState::Known);
}

TEST_F(ServerTableTest, RepliesGoToTheHigherOfTwoIdenticalEntries)
{
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QString());
    table.addServer(QStringLiteral("127.0.0.1"), 7778, QString());
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ(table.slotForSender(QStringLiteral("127.0.0.1"), 7778), 1);
    EXPECT_EQ(table.slotForSender(QStringLiteral("127.0.0.1"), 7779), -1);
    table.setServerAddress(1, QStringLiteral("127.0.0.1"), 7790, QStringLiteral("moved"));
    EXPECT_EQ(table.slotForSender(QStringLiteral("127.0.0.1"), 7778), 0);
    EXPECT_EQ(table.slotForSender(QStringLiteral("127.0.0.1"), 7790), 1);
}

TEST_F(ServerTableTest, SortsByPingWithSilentServersLast)
{
    add(QStringLiteral("a"), "0", "0", 30);
    add(QStringLiteral("b"), "0", "0", 0);
    add(QStringLiteral("c"), "0", "0", 10);
    table.setSortMode(ServerTable::PingAscending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}));
    table.setSortMode(ServerTable::PingDescending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
    EXPECT_EQ(table.currentComparator(), ServerTable::PingDescending);
    EXPECT_EQ(table.serverListSort(), ServerTable::PingDescending);
}

TEST_F(ServerTableTest, SortsNamesWithoutCaseAndUnderscoreAfterLetters)
{
    add(QStringLiteral("_under"));
    add(QStringLiteral("beta"));
    add(QStringLiteral("Alpha"));
    table.setSortMode(ServerTable::NameAscending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("_under")}));
    table.setSortMode(ServerTable::NameDescending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("_under"), QStringLiteral("beta"), QStringLiteral("Alpha")}));
}

TEST_F(ServerTableTest, NamesDifferingOnlyInCaseAreNeverExchanged)
{
    add(QStringLiteral("alpha"));
    add(QStringLiteral("ALPHA"));
    for (int mode : {ServerTable::NameAscending, ServerTable::NameDescending}) {
        table.setSortMode(mode);
        EXPECT_EQ(names(), (QStringList{QStringLiteral("alpha"), QStringLiteral("ALPHA")}));
    }
}

TEST_F(ServerTableTest, SortsByCountsAsNumbers)
{
    add(QStringLiteral("a"), "10", "16");
    add(QStringLiteral("b"), "9", "8");
    add(QStringLiteral("c"), "x", "32");
    table.setSortMode(ServerTable::PlayersDescending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    table.setSortMode(ServerTable::MaxPlayersAscending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}));
}

TEST_F(ServerTableTest, UnknownSortModeIsOnlyStored)
{
    add(QStringLiteral("b"));
    add(QStringLiteral("a"));
    table.setSortMode(9);
    EXPECT_EQ(table.serverListSort(), 9);
    EXPECT_FALSE(table.currentComparator().has_value());
    EXPECT_EQ(names(), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(ServerTableTest, CheckMarksAndSelectionMoveWithTheirServer)
{
    add(QStringLiteral("c"));
    add(QStringLiteral("b"));
    add(QStringLiteral("a"));
    table.setChecked(0, true);
    QItemSelectionModel selection(&table);
    selection.select(table.index(0), QItemSelectionModel::ClearAndSelect);

    table.setSortMode(ServerTable::NameAscending);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_TRUE(table.isChecked(2));
    EXPECT_FALSE(table.isChecked(0));
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(selection.selectedRows().first().row(), 2);
}

TEST_F(ServerTableTest, SyncCopiesCountsIntoTheListEntry)
{
    const int slot = add(QStringLiteral("a"));
    table.server(slot)->NumPlayers = "7";
    table.server(slot)->MaxPlayers = "16";
    EXPECT_EQ(table.entry(slot)->CurPlayers, "0");
    table.syncListCounts(slot);
    EXPECT_EQ(table.entry(slot)->CurPlayers, "7");
    EXPECT_EQ(table.data(table.index(0), ServerTable::MaxPlayersRole).toByteArray(), "16");
}

} // namespace
