#include "ReachabilityTest.h"

namespace ReachabilityTest {

Verdict judge(QByteArrayView datagram)
{
    if (datagram.size() >= 12 && datagram.sliced(10, 2) == "ut") {
        const QByteArrayView version = datagram.size() > 21 ? datagram.sliced(21).first(std::min<qsizetype>(3, datagram.size() - 21)) : QByteArrayView();
        return {true, QStringLiteral("Found UT server, version ") + QString::fromLatin1(version)};
    }
    return {false, QStringLiteral("No UT server found")};
}

} // namespace ReachabilityTest
