#include "ListedServer.h"

#include <QRandomGenerator>
#include <QStringList>

#include <array>

namespace {

// The cycle of tools/gamesim's farm, so a listed type is the type the server reports.
constexpr std::array<const char *, 6> GameTypes = {
    "DeathMatchPlus", "CTFGame", "TeamGamePlus", "Domination", "Assault", "LastManStanding"};

constexpr int HighestLocation = 12;

} // namespace

QByteArray ListedServer::masterEntry() const
{
    return QByteArrayLiteral("\\ip\\") + address.toLatin1() + ':' + QByteArray::number(queryPort);
}

QByteArray ListedServer::httpLine() const
{
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
        server.gameType = QLatin1String(GameTypes[std::size_t(i) % GameTypes.size()]);
        server.location = rng.bounded(1, HighestLocation + 1);
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
