#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QList>

#include <ostream>
#include <utility>

// Readable failure messages for byte strings (found by gtest through ADL).
inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << bytes.toStdString() << '"';
}

namespace GameSimTest {

// Sockets and QProcess need a QCoreApplication; gtest_main does not make one.
void ensureCoreApplication();

using Pairs = QList<std::pair<QByteArray, QByteArray>>;

// "\k1\v1\k2\v2" -> {(k1, v1), (k2, v2)}; a trailing "\final\" becomes ("final", "").
Pairs splitPairs(const QByteArray &packet);
QByteArrayList keysOf(const QByteArray &packet);
QByteArray valueOf(const QByteArray &packet, const QByteArray &key);
// The packet without its "\queryid\N.M[\final\]" trailer.
QByteArray payloadOf(const QByteArray &packet);

// Sends one datagram to 127.0.0.1:port from a fresh socket and gathers the replies until
// one carries \final\, no packet came for quietMs, or limitMs passed.
QList<QByteArray> exchange(quint16 port, const QByteArray &request, int quietMs = 300, int limitMs = 3000);

} // namespace GameSimTest
