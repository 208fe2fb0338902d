// Feeds arbitrary datagrams to the reply decoder, one after another into the
// same record, as a hostile server would.
#include "core/ReplyCodec.h"
#include "core/TUTServer.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static TUTServer server(QStringLiteral("127.0.0.1"), 7778);
    const QByteArray reply(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    ReplyCodec::parseServerReply(server, reply);
    const int slots = server.validPlayerSlots();
    if (slots < 0 || slots > TUTServer::kPlayerSlots)
        std::abort();
    return 0;
}
