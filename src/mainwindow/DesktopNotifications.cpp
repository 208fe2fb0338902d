#include "DesktopNotifications.h"

#include "TrayBlinker.h"

void DesktopNotifications::notify(const QString &title, const QString &text)
{
    if (m_tray && m_tray->showMessage(title, text))
        return;
    m_desktop.notify(title, text);
}
