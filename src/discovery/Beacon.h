#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

// The game's LAN beacon: the question a browser sends to the beacon ports,
// and the answer "ut <query port>" a server gives.
namespace Beacon {

inline constexpr QByteArrayView kQuestion = "REPORTQUERY";
inline constexpr quint16 kFirstPort = 8777;
inline constexpr int kPortCount = 10;

// The query port of an answer: the text after "ut" and one character, when
// it is a number from 1 to 65535. Nothing for any other datagram.
std::optional<quint16> answerPort(QByteArrayView datagram);

// The broadcast address of the address's class: 10.0.0.7 -> 10.255.255.255,
// 172.16.1.2 -> 172.16.255.255, 192.168.1.20 -> 192.168.1.255; other first
// octets (0, 127, 224 and above) leave the address as it is.
QString classfulBroadcast(const QString &address);

// The broadcast addresses of the machine's interfaces that are up, not
// loopback, and have IPv4; the classful guess from the machine's last IPv4
// address when no interface tells its broadcast address.
QStringList localBroadcastAddresses();

} // namespace Beacon

// Where the LAN search asks: the broadcast addresses and the beacon ports.
struct LanSearchTargets
{
    QStringList broadcastAddresses;
    quint16 firstBeaconPort = Beacon::kFirstPort;
    int beaconPortCount = Beacon::kPortCount;
};
