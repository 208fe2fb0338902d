#include "GameSimTestSupport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace GameSimTest {

void ensureCoreApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_gamesim";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

Pairs splitPairs(const QByteArray &packet)
{
    Pairs pairs;
    if (!packet.startsWith('\\'))
        return pairs;
    const QByteArrayList parts = packet.mid(1).split('\\');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        pairs.append({parts.at(i), parts.at(i + 1)});
    return pairs;
}

QByteArrayList keysOf(const QByteArray &packet)
{
    QByteArrayList keys;
    for (const auto &[key, value] : splitPairs(packet))
        keys.append(key);
    return keys;
}

QByteArray valueOf(const QByteArray &packet, const QByteArray &key)
{
    for (const auto &[k, value] : splitPairs(packet))
        if (k == key)
            return value;
    return {};
}

QByteArray payloadOf(const QByteArray &packet)
{
    const qsizetype at = packet.lastIndexOf("\\queryid\\");
    return at < 0 ? packet : packet.left(at);
}

QList<QByteArray> exchange(quint16 port, const QByteArray &request, int quietMs, int limitMs)
{
    ensureCoreApplication();
    QList<QByteArray> packets;
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::LocalHost, 0))
        return packets;

    QEventLoop loop;
    QTimer quiet;
    quiet.setSingleShot(true);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&quiet, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QUdpSocket::readyRead, &loop, [&] {
        while (socket.hasPendingDatagrams()) {
            const QByteArray data = socket.receiveDatagram().data();
            packets.append(data);
            if (data.contains("\\final\\"))
                loop.quit();
        }
        quiet.start(quietMs);
    });
    socket.writeDatagram(request, QHostAddress::LocalHost, port);
    quiet.start(quietMs);
    limit.start(limitMs);
    loop.exec();
    return packets;
}

} // namespace GameSimTest
