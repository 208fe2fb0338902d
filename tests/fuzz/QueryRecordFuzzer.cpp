// The command-line query's reply assembly and record writers on arbitrary
// datagrams: the input is cut at NUL bytes into datagrams, those after a
// "T" byte going to the teams reply.
#include "core/QueryRecordWriter.h"
#include "core/QueryReply.h"

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QueryReply status;
    QueryReply teams;
    const char *p = reinterpret_cast<const char *>(data);
    const char *const end = p + size;
    bool toTeams = false;
    while (p < end) {
        const void *nul = std::memchr(p, 0, size_t(end - p));
        const char *stop = nul ? static_cast<const char *>(nul) : end;
        const QByteArrayView datagram(p, stop - p);
        if (datagram == "T")
            toTeams = true;
        else
            (toTeams ? teams : status).add(datagram);
        p = stop + 1;
    }
    QueryRecord record;
    record.host = QStringLiteral("127.0.0.1");
    record.queryPort = 7778;
    record.statusParts = status.parts();
    record.teamsParts = teams.parts();
    record.replied = true;
    record.complete = status.isWhole() && teams.isWhole();
    record.tries = 1;
    QueryRecordWriter writer;
    std::string out;
    writer.appendJson(out, record);
    writer.appendText(out, record);
    return 0;
}
