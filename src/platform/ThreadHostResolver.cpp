#include "ThreadHostResolver.h"

#include <QPointer>
#include <QThreadPool>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#endif

namespace {

// The last IPv4 address of the name, in dotted form; empty when it has none.
QString lastIpv4Address(const QByteArray &name)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(name.constData(), nullptr, &hints, &found) != 0)
        return QString();
    QString last;
    for (const addrinfo *entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto *address = reinterpret_cast<const sockaddr_in *>(entry->ai_addr);
        if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text))
            last = QString::fromLatin1(text);
    }
    freeaddrinfo(found);
    return last;
}

} // namespace

void ThreadHostResolver::lookUp(const QString &name)
{
    QPointer<ThreadHostResolver> self(this);
    const QByteArray ascii = name.toUtf8();
    QThreadPool::globalInstance()->start([self, name, ascii] {
        const QString address = ascii.contains('\0') ? QString() : lastIpv4Address(ascii);
        // Back on the resolver's thread; a resolver gone meanwhile hears nothing.
        QMetaObject::invokeMethod(
            self.data(),
            [self, name, address] {
                if (self)
                    Q_EMIT self->resolved(name, address);
            },
            Qt::QueuedConnection);
    });
}

#include "moc_ThreadHostResolver.cpp"
