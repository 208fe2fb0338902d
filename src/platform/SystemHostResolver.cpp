#include "SystemHostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

QString SystemHostResolver::resolveIPv4(const QString &host)
{
    const QString trimmed = host.trimmed();
    if (trimmed.isEmpty())
        return {};
    QHostAddress literal;
    if (literal.setAddress(trimmed) && literal.protocol() == QAbstractSocket::IPv4Protocol)
        return literal.toString();

    const QHostInfo info = QHostInfo::fromName(trimmed);
    QString last;
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            last = address.toString();
    }
    return last;
}
