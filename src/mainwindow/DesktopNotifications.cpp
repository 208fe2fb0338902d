#include "DesktopNotifications.h"

#include "TrayBlinker.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

void DesktopNotifications::notify(const QString &title, const QString &text)
{
    if (m_tray && m_tray->showMessage(title, text))
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    message << QStringLiteral("Quorvelin") << 0u << QStringLiteral("org.quorvelin.Quorvelin") << title << text
            << QStringList() << QVariantMap() << -1;
    QDBusConnection::sessionBus().call(message, QDBus::NoBlock);
}
