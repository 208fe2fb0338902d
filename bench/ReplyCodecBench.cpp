// Time to decode one datagram into a server record.
#include "core/ReplyCodec.h"
#include "core/TUTServer.h"

#include <benchmark/benchmark.h>

namespace {

const QByteArray kInfoReply =
    "\\hostname\\test server name\\hostport\\7777\\maptitle\\CTF-Bolt_HE (High End Systems)\\mapname\\CTF-Bolt_HE"
    "\\gametype\\ACLCTFGame\\numplayers\\11\\maxplayers\\13\\gamemode\\openplaying\\gamever\\451\\minnetver\\432"
    "\\worldlog\\false\\wantworldlog\\false\\queryid\\12.1\\final\\";

QByteArray playersReply(int count)
{
    QByteArray reply;
    for (int k = 0; k < count; ++k) {
        const QByteArray i = QByteArray::number(k);
        reply += "\\player_" + i + "\\Player" + i + "\\frags_" + i + "\\" + QByteArray::number(k * 3) + "\\ping_" + i
            + "\\ 4" + i + "\\team_" + i + "\\" + QByteArray::number(k % 2) + "\\mesh_" + i + "\\Male Commando\\skin_"
            + i + "\\CommandoSkins.cmdo\\face_" + i + "\\CommandoSkins.Blake\\ngsecret_" + i + "\\true";
    }
    return reply + "\\queryid\\42.1\\final\\";
}

void decodeInfo(benchmark::State &state)
{
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplyCodec::parseServerReply(server, kInfoReply));
    state.SetBytesProcessed(state.iterations() * kInfoReply.size());
}
BENCHMARK(decodeInfo);

void decodePlayers(benchmark::State &state)
{
    const QByteArray reply = playersReply(static_cast<int>(state.range(0)));
    TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReplyCodec::parseServerReply(server, reply));
    state.SetBytesProcessed(state.iterations() * reply.size());
    state.counters["datagram_bytes"] = static_cast<double>(reply.size());
}
BENCHMARK(decodePlayers)->Arg(16)->Arg(32);

} // namespace

BENCHMARK_MAIN();
