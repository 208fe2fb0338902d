#include "DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

void DBusNotifier::notify(const QString &title, const QString &text)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << QStringLiteral("Quorvelin") << 0u << QStringLiteral("org.quorvelin.Quorvelin") << title << text
            << QStringList() << QVariantMap() << -1;
    QDBusConnection::sessionBus().call(message, QDBus::NoBlock);
}
