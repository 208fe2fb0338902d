// Feeds arbitrary bytes to the parsers of what a master server or a listed
// server sends: the server list, the game types, the greeting's challenge
// and the "\info\" reply. The first byte picks the parser (its value modulo
// four, in that order), so that each input costs one parse of its length.
#include "core/DottedAddress.h"
#include "core/StrToIntOrZero.h"
#include "discovery/MasterList.h"

#include <QByteArray>
#include <QSet>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool hasBackslash(const std::optional<QString> &value)
{
    return value && value->contains(QLatin1Char('\\'));
}

void checkServerList(const QByteArray &reply)
{
    const QList<MasterList::ListedServer> servers = MasterList::parseServerList(reply);
    // Each entry takes at least "\ip\" and a value of seven characters.
    require(servers.size() <= reply.size() / 11);
    for (const MasterList::ListedServer &server : servers) {
        require(DottedAddress::parse(server.address).ok);
        // Listed as replies name their sender, or replies would never find the row.
        require(DottedAddress::canonical(server.address) == server.address);
        qint32 port = 0;
        require(tryStrToInt(server.port.toLatin1(), port));
        require(port >= 1 && port <= 65535);
    }
}

void checkGameTypes(const QByteArray &reply)
{
    const QStringList types = MasterList::parseGameTypes(reply);
    require(!types.isEmpty() && types.first() == MasterList::kAnyGameType);
    QSet<QString> seen;
    for (const QString &type : types) {
        require(!type.isEmpty() && !type.contains(QLatin1Char('\\')));
        const QString folded = type.toCaseFolded();
        require(!seen.contains(folded));
        seen.insert(folded);
    }
}

void checkChallenge(const QByteArray &greeting)
{
    const std::optional<QByteArray> challenge = MasterList::challengeOf(greeting);
    if (!challenge)
        return;
    require(!challenge->isEmpty() && !challenge->contains('\\') && greeting.contains(*challenge));
    const QByteArray message = MasterList::validateMessage(*challenge);
    static constexpr QByteArrayView kHead = "\\gamename\\ut\\location\\0\\validate\\";
    static constexpr QByteArrayView kTail = "\\final\\";
    require(message.startsWith(kHead) && message.endsWith(kTail));
    // Four letters for every three bytes of the challenge, rounded up.
    const qsizetype answer = message.size() - kHead.size() - kTail.size();
    require(answer == (challenge->size() + 2) / 3 * 4);
}

void checkServerInfo(const QByteArray &reply)
{
    const MasterList::ServerInfoFields fields = MasterList::parseServerInfo(reply);
    require(!hasBackslash(fields.hostName) && !hasBackslash(fields.gameType) && !hasBackslash(fields.gameVersion));
    // Both read the first "\hostname\" of the reply the same way.
    require(MasterList::hostNameOf(reply) == fields.hostName.value_or(QString()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data) + 1, static_cast<qsizetype>(size - 1));
    switch (data[0] % 4) {
    case 0: checkServerList(bytes); break;
    case 1: checkGameTypes(bytes); break;
    case 2: checkChallenge(bytes); break;
    default: checkServerInfo(bytes); break;
    }
    return 0;
}
