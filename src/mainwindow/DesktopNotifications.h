#pragma once

#include "platform/DesktopNotifier.h"

class TrayBlinker;

// Notifications through the tray icon where the tray shows messages, else
// through the desktop's notification service on the session bus. Nothing
// waits for an answer, and a desktop with neither shows nothing.
class DesktopNotifications final : public DesktopNotifier
{
public:
    // The tray of the window, once it has one.
    void setTray(TrayBlinker *tray) { m_tray = tray; }

    void notify(const QString &title, const QString &text) override;

private:
    TrayBlinker *m_tray = nullptr;
};
