#include "ListedServer.h"

#include "SimulatedServerFarm.h"

#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <array>

namespace {

constexpr int kHighestLocation = 12;
constexpr quint16 kSyntheticQueryPort = 7778;

// Entries a list may hold that are no server: octets or ports out of range, numbers
// that wrap in a narrow integer, missing parts, words, IPv6, nothing at all.
constexpr std::array<const char *, 12> kBadEntries = {
    "999.1.2.3:7778",
    "1.2.3.4:70000",
    "hello:1",
    "1.2.3.4:0",
    "1.2.3:7778",
    "1.2.3.4",
    "1.2.3.4:77x8",
    "",
    "1.2.3.4:-1",
    "[::1]:7778",
    "4294967297.0.0.1:7778",
    "1.2.3.4:65543",
};

} // namespace

QByteArray ListedServer::masterEntry() const
{
    if (!text.isNull())
        return QByteArrayLiteral("\\ip\\") + text;
    return QByteArrayLiteral("\\ip\\") + address.toLatin1() + ':' + QByteArray::number(queryPort);
}

QByteArray ListedServer::httpLine() const
{
    if (!text.isNull())
        return text + QByteArrayLiteral("\r\n");
    return address.toLatin1() + ':' + QByteArray::number(gamePort()) + QByteArrayLiteral("\r\n");
}

QList<ListedServer> generatedServers(int count, quint16 firstQueryPort, quint32 randomStart)
{
    QRandomGenerator rng(randomStart);
    QList<ListedServer> servers;
    for (int i = 0; i < count && firstQueryPort + i <= 65535; ++i) {
        ListedServer server;
        server.address = QStringLiteral("127.0.0.1");
        server.queryPort = quint16(firstQueryPort + i);
        // The farm's own type, so a listed type is the type the server reports.
        server.gameType = SimulatedServerFarm::gameTypeAt(i);
        server.location = rng.bounded(1, kHighestLocation + 1);
        servers.append(server);
    }
    return servers;
}

QStringList distinctGameTypes(const QList<ListedServer> &servers)
{
    QStringList types;
    for (const ListedServer &server : servers)
        if (!server.gameType.isEmpty() && !types.contains(server.gameType))
            types.append(server.gameType);
    return types;
}

QByteArray syntheticAddress(quint32 index)
{
    const quint32 last = 1 + index % 254;
    const quint32 rest = index / 254;
    const quint32 third = rest % 256;
    const quint32 second = 1 + (rest / 256) % 254;
    return "127." + QByteArray::number(second) + '.' + QByteArray::number(third) + '.' + QByteArray::number(last);
}

QList<ListedServer> withAwkwardEntries(const QList<ListedServer> &servers, int duplicates, int badEntries)
{
    const qint64 repeats = servers.isEmpty() ? 0 : std::max(duplicates, 0);
    const qint64 bad = std::max(badEntries, 0);
    // Repeats and bad entries take turns in proportion, so both kinds reach the end of the list.
    QList<ListedServer> extras;
    for (qint64 r = 0, b = 0; r < repeats || b < bad;) {
        if (b >= bad || (r < repeats && r * bad <= b * repeats)) {
            extras.append(servers.at(r++ % servers.size()));
        } else {
            ListedServer entry;
            entry.text = QByteArray(kBadEntries[std::size_t(b++ % qint64(kBadEntries.size()))]);
            extras.append(entry);
        }
    }
    // Extra e goes in front of server (e + 1) * n / (extras + 1), which spreads them over the list.
    const qint64 n = servers.size();
    const qint64 e = extras.size();
    QList<ListedServer> list;
    list.reserve(n + e);
    qint64 next = 0;
    for (qint64 i = 0; i <= n; ++i) {
        while (next < e && (next + 1) * n / (e + 1) <= i)
            list.append(extras.at(next++));
        if (i < n)
            list.append(servers.at(i));
    }
    return list;
}

ListedServer syntheticServer(quint32 index)
{
    ListedServer server;
    server.address = QString::fromLatin1(syntheticAddress(index));
    server.queryPort = kSyntheticQueryPort;
    return server;
}
