// The main socket on loopback.
#include "platform/UdpDatagramSocket.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHostAddress>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

TEST(UdpDatagramSocket, AFloodIsTakenInBatchesSoTheLoopKeepsTurning)
{
    UdpDatagramSocket socket;
    ASSERT_TRUE(socket.bind(0));
    int received = 0;
    QString sender;
    QObject::connect(&socket, &DatagramSocket::datagramReceived, &socket,
                     [&](const QByteArray &, const QString &address, quint16) {
                         ++received;
                         sender = address;
                     });
    QUdpSocket flood;
    constexpr int kDatagrams = 200;
    for (int k = 0; k < kDatagrams; ++k)
        flood.writeDatagram(QByteArray(100, 'x'), QHostAddress::LocalHost, socket.localPort());

    // One pass of the loop handles one batch, not the whole flood.
    const QDeadlineTimer first(3000);
    while (received == 0 && !first.hasExpired())
        QCoreApplication::processEvents();
    EXPECT_GT(received, 0);
    EXPECT_LT(received, kDatagrams);
    const QDeadlineTimer rest(3000);
    while (received < kDatagrams && !rest.hasExpired())
        QCoreApplication::processEvents();
    EXPECT_EQ(received, kDatagrams);
    EXPECT_EQ(sender, QStringLiteral("127.0.0.1"));
}

} // namespace
