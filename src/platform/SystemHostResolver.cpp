#include "SystemHostResolver.h"

#include <QHostAddress>
#include <QHostInfo>

void SystemHostResolver::lookUp(const QString &name)
{
    QHostInfo::lookupHost(name, this, [this, name](const QHostInfo &info) {
        QString last;
        for (const QHostAddress &address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                last = address.toString();
        }
        Q_EMIT resolved(name, last);
    });
}
