#pragma once

#include "BlinkState.h"

#include <QObject>
#include <QTimer>

class QMenu;
class QSystemTrayIcon;

// ti_Blinker: the tray icon with its hint and menu, and the blink that
// signals joins, leaves and buddies. Where the desktop has no tray, the
// program runs without it: the blink and the hint are simply not shown.
class TrayBlinker final : public QObject
{
    Q_OBJECT
public:
    explicit TrayBlinker(QObject *parent = nullptr);

    bool isAvailable() const { return m_tray != nullptr; }
    void setHint(const QString &hint);
    void StartBlink(int mode);
    // The icon index on show, 0 at rest.
    int currentIcon() const { return m_currentIcon; }
    bool isBlinking() const { return tmr_IconAni.isActive(); }

    void tmr_IconAniTimer();
    // Stops a blink at once, as the program closes.
    void stop() { tmr_IconAni.stop(); }

Q_SIGNALS:
    void restoreRequested();
    void exitRequested();

private:
    void showIcon(int index);

    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_menu = nullptr;
    QTimer tmr_IconAni;
    BlinkState m_blink;
    int m_currentIcon = 0;
};
