#include "ReachabilityTest.h"

#include <algorithm>

namespace ReachabilityTest {

Verdict judge(QByteArrayView datagram)
{
    if (datagram.size() >= 12 && datagram.sliced(10, 2) == "ut") {
        // Three characters from the 22nd, fewer when the datagram ends before.
        const qsizetype length = std::clamp<qsizetype>(datagram.size() - 21, 0, 3);
        const QByteArrayView version = length > 0 ? datagram.sliced(21, length) : QByteArrayView();
        return {true, QStringLiteral("Found UT server, version ") + QString::fromLatin1(version)};
    }
    return {false, QStringLiteral("No UT server found")};
}

} // namespace ReachabilityTest
