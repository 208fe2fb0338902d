// Time to decode one datagram into a server record, for real replies and
// for the largest datagrams a hostile server could send.
#include "core/ReplyCodec.h"
#include "core/TUTServer.h"

#include <benchmark/benchmark.h>

namespace {

const QByteArray kInfoReply =
    "\\hostname\\test server name\\hostport\\7777\\maptitle\\CTF-Bolt_HE (High End Systems)\\mapname\\CTF-Bolt_HE"
    "\\gametype\\ACLCTFGame\\numplayers\\11\\maxplayers\\13\\gamemode\\openplaying\\gamever\\451\\minnetver\\432"
    "\\worldlog\\false\\wantworldlog\\false\\queryid\\12.1\\final\\";

constexpr qsizetype kLargestDatagram = 65536;

QByteArray playerEntry(int k)
{
    const QByteArray i = QByteArray::number(k);
    return "\\player_" + i + "\\Player" + i + "\\frags_" + i + "\\" + QByteArray::number(k * 3) + "\\ping_" + i + "\\ 4"
           + i + "\\team_" + i + "\\" + QByteArray::number(k % 2) + "\\mesh_" + i + "\\Male Commando\\skin_" + i
           + "\\CommandoSkins.cmdo\\face_" + i + "\\CommandoSkins.Blake\\ngsecret_" + i + "\\true";
}

QByteArray playersReply(int count)
{
    QByteArray reply;
    for (int k = 0; k < count; ++k)
        reply += playerEntry(k);
    return reply + "\\queryid\\42.1\\final\\";
}

// unit repeated up to the largest datagram, the last copy cut short.
QByteArray filled(const QByteArray &unit)
{
    QByteArray reply = unit.repeated(kLargestDatagram / unit.size() + 1);
    reply.truncate(kLargestDatagram);
    return reply;
}

// Whole player lists, indices 0 to 49 over and over, as a server that
// packs several rounds of its list into one datagram.
QByteArray largePlayersReply()
{
    QByteArray reply;
    for (int k = 0; reply.size() < kLargestDatagram - 400; k = (k + 1) % TUTServer::kPlayerSlots)
        reply += playerEntry(k);
    return reply + "\\queryid\\42.1\\final\\";
}

void decode(benchmark::State &state, const QByteArray &reply)
{
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplyCodec::parseServerReply(server, reply));
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.counters["datagram_bytes"] = static_cast<double>(reply.size());
}

void decodeInfo(benchmark::State &state)
{
    decode(state, kInfoReply);
}
BENCHMARK(decodeInfo);

void decodePlayers(benchmark::State &state)
{
    decode(state, playersReply(static_cast<int>(state.range(0))));
}
BENCHMARK(decodePlayers)->Arg(16)->Arg(32);

// Largest datagrams; each of these must stay well under 5 ms.
BENCHMARK_CAPTURE(decode, largePlayers, largePlayersReply())->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, leadingZeroPlayers, filled("\\player_07\\x"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, playersWithoutIndex, filled("\\player_\\"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, teamMarkers, filled("\\team_1\\"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, scorePrefixes, filled("\\score_"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, teamsAndScores, filled("\\team_1\\\\score_"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, unknownKeys, filled("\\wantworldlog\\false\\queryid\\12.1"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, repeatedServerKeys, filled(kInfoReply))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(decode, unclosedValue, "\\hostname\\" + QByteArray(kLargestDatagram - 10, 'x'))
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
