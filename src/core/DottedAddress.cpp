#include "DottedAddress.h"

#include "StrToIntOrZero.h"

#include <QStringList>

DottedAddress DottedAddress::parse(const QString &host)
{
    DottedAddress result;
    const QStringList parts = host.split(QLatin1Char('.'));
    quint32 address = 0;
    for (const QString &part : parts) {
        qint32 value = 0;
        const QByteArray latin = part.toLatin1();
        if (part.size() != latin.size() || !tryStrToInt(latin, value)) {
            result.error = QStringLiteral("'%1' is not a valid integer value").arg(part);
            return result;
        }
        if (value < 0 || value > 255) {
            result.error = QStringLiteral("'%1' is not a valid IPv4 address").arg(host);
            return result;
        }
        address = (address << 8) | static_cast<quint32>(value);
    }
    if (parts.size() != 4) {
        result.error = QStringLiteral("'%1' is not a valid IPv4 address").arg(host);
        return result;
    }
    result.ok = true;
    result.ipv4 = address;
    return result;
}

bool DottedAddress::isUnset(const QString &host)
{
    return host.isEmpty() || host == QLatin1String("0.0.0.0") || host == QLatin1String("0.0.0")
        || host == QLatin1String("0.0") || host == QLatin1String("0");
}
