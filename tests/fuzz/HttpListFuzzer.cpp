// Feeds arbitrary bytes to the reader of web server lists, as a hostile or
// broken web server would send them.
#include "core/DottedAddress.h"
#include "discovery/MasterList.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<MasterList::ListedServer> servers = MasterList::parseHttpList(body);
    // Each line takes at least "a:1" and its line end.
    if (servers.size() > body.size() / 3 + 1)
        std::abort();
    for (const MasterList::ListedServer &server : servers) {
        if (server.address.isEmpty() || server.address.contains(QLatin1Char(':'))
            || server.address.contains(QLatin1Char('\n')))
            std::abort();
        // A dotted address is listed as replies name their sender.
        if (DottedAddress::canonical(server.address) != server.address)
            std::abort();
        bool ok = false;
        const int port = server.port.toInt(&ok);
        // The query port is the game port plus one, written in decimal.
        if (!ok || port < 2 || port > 65535 || server.port != QString::number(port))
            std::abort();
    }
    return 0;
}
