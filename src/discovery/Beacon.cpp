#include "Beacon.h"

#include "core/DottedAddress.h"
#include "core/StrToIntOrZero.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace Beacon {

std::optional<quint16> answerPort(QByteArrayView datagram)
{
    if (datagram.size() < 4 || !datagram.startsWith("ut"))
        return std::nullopt;
    qint32 port = 0;
    if (!tryStrToInt(datagram.sliced(3).trimmed(), port) || port < 1 || port > 65535)
        return std::nullopt;
    return static_cast<quint16>(port);
}

QString classfulBroadcast(const QString &address)
{
    const DottedAddress dotted = DottedAddress::parse(address);
    if (!dotted.ok)
        return address;
    const quint32 first = dotted.ipv4 >> 24;
    quint32 hostMask = 0;
    if (first >= 1 && first <= 126)
        hostMask = 0x00ffffff;
    else if (first >= 128 && first <= 191)
        hostMask = 0x0000ffff;
    else if (first >= 192 && first <= 223)
        hostMask = 0x000000ff;
    else
        return address;
    return QHostAddress(dotted.ipv4 | hostMask).toString();
}

QStringList localBroadcastAddresses()
{
    QStringList addresses;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !entry.broadcast().isNull()
                && !addresses.contains(entry.broadcast().toString()))
                addresses.append(entry.broadcast().toString());
        }
    }
    if (!addresses.isEmpty())
        return addresses;
    // No interface told its broadcast address: guess from the machine's last
    // IPv4 address (without a name look-up, which could block).
    QString last;
    const auto hostAddresses = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : hostAddresses) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            last = address.toString();
    }
    if (!last.isEmpty())
        addresses.append(classfulBroadcast(last));
    return addresses;
}

} // namespace Beacon
