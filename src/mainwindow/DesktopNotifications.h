#pragma once

#include "platform/DesktopNotifier.h"

class TrayBlinker;

// Notifications through the tray icon where the tray shows messages, else
// through the desktop's own notifier (the notification service on the
// session bus). A desktop with neither shows nothing.
class DesktopNotifications final : public DesktopNotifier
{
public:
    explicit DesktopNotifications(DesktopNotifier &desktop)
        : m_desktop(desktop)
    {
    }

    // The tray of the window, once it has one.
    void setTray(TrayBlinker *tray) { m_tray = tray; }

    void notify(const QString &title, const QString &text) override;

private:
    DesktopNotifier &m_desktop;
    TrayBlinker *m_tray = nullptr;
};
