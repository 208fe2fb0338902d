// The stored server list is looked up in an index of the file: the work of
// loading it or writing it grows with the list, not with the list times the
// file. The work is counted in heap allocations, which a lookup makes a few
// of and a scan of the file makes for every line it passes, so the count
// says without a clock whether lookups scan.
#include "config/IniFile.h"
#include "config/StoredServers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>

namespace {

std::atomic<unsigned long> allocations{0};

} // namespace

extern "C" void *__libc_malloc(std::size_t size);

extern "C" void *malloc(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

namespace {

constexpr int kServers = 256;
constexpr int kPadding = 4096;
// One pass over the extra lines of the larger file is linear work; a scan
// per lookup costs hundreds of times more.
constexpr unsigned long kOnePass = 2 * kPadding;

// 256 servers, with `padding` lines of other sections ahead of them and as
// many lines of unknown keys among them.
IniFile serverFile(int padding)
{
    QByteArray bytes;
    for (int n = 0; n < padding; ++n)
        bytes += "[other" + QByteArray::number(n) + "]\nkey=value\n";
    bytes += "[servers]\n";
    for (int n = 0; n < padding; ++n)
        bytes += "note[" + QByteArray::number(n) + "]=kept\n";
    for (int n = 0; n < kServers; ++n) {
        const QByteArray k = QByteArray::number(n);
        bytes += "ip[" + k + "]=10.0." + k + ".1\nport[" + k + "]=7778\ndesc[" + k + "]=Server " + k + "\n";
    }
    IniFile ini;
    ini.setBytes(bytes);
    return ini;
}

unsigned long loadingCost(const IniFile &ini)
{
    const unsigned long before = allocations.load();
    const QList<StoredServers::Entry> entries = StoredServers::loadServerList(ini);
    const unsigned long cost = allocations.load() - before;
    EXPECT_EQ(entries.size(), kServers);
    return cost;
}

unsigned long writingCost(IniFile ini)
{
    const unsigned long before = allocations.load();
    ini.eraseSection(QStringLiteral("servers"));
    for (int n = 0; n < kServers; ++n) {
        ini.writeString(QStringLiteral("servers"), QStringLiteral("ip[%1]").arg(n), QStringLiteral("10.1.0.1"));
        ini.writeInteger(QStringLiteral("servers"), QStringLiteral("port[%1]").arg(n), 7778);
        ini.writeString(QStringLiteral("servers"), QStringLiteral("desc[%1]").arg(n), QStringLiteral("S"));
    }
    return allocations.load() - before;
}

TEST(IniFileLookups, LoadingTheServerListCostsTheSameInALargerFile)
{
    const IniFile small = serverFile(0);
    const IniFile large = serverFile(kPadding);
    const unsigned long smallCost = loadingCost(small);
    const unsigned long largeCost = loadingCost(large);
    // 3 * 256 lookups, each a few allocations whatever the file holds.
    EXPECT_LT(smallCost, 16ul * 3 * kServers);
    EXPECT_LE(largeCost, smallCost + kOnePass);
}

TEST(IniFileLookups, RewritingTheServerListCostsTheSameInALargerFile)
{
    const unsigned long smallCost = writingCost(serverFile(0));
    const unsigned long largeCost = writingCost(serverFile(kPadding));
    EXPECT_LT(smallCost, 32ul * 3 * kServers);
    EXPECT_LE(largeCost, smallCost + kOnePass);
}

} // namespace
