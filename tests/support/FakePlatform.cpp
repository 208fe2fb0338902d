#include "FakePlatform.h"

#include <QHostAddress>

QString FakeHostResolver::resolveIPv4(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host) && literal.protocol() == QAbstractSocket::IPv4Protocol)
        return literal.toString();
    return names.value(host);
}

FakePlatform::FakePlatform()
{
    services.clock = &clock;
    services.localTime = &localTime;
    services.messages = &messages;
    services.resolver = &resolver;
}
