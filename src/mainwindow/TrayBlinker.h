#pragma once

#include "viewlogic/BlinkState.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

class QMenu;

// ti_Blinker: the tray icon with its hint and menu, and the blink that
// signals joins, leaves and buddies. Where the desktop has no tray, the
// program runs without it: the blink and the hint are simply not shown.
class TrayBlinker final : public QObject
{
    Q_OBJECT
public:
    explicit TrayBlinker(QObject *parent = nullptr);

    bool isAvailable() const { return m_tray != nullptr; }
    // The hint is kept where the desktop has no tray to show it.
    void setHint(const QString &hint);
    QString hint() const { return m_hint; }
    // The icon was clicked or double-clicked.
    void activate(QSystemTrayIcon::ActivationReason reason);
    void startBlink(int mode);
    // The icon index on show, 0 at rest.
    int currentIcon() const { return m_currentIcon; }
    bool isBlinking() const { return m_blinkTimer.isActive(); }

    void advanceBlink();
    // A message beside the icon; false where the tray cannot show one.
    bool showMessage(const QString &title, const QString &text);
    // Stops a blink at once, as the program closes.
    void stop() { m_blinkTimer.stop(); }

Q_SIGNALS:
    void restoreRequested();
    void exitRequested();

private:
    void showIcon(int index);

    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_menu = nullptr;
    QTimer m_blinkTimer;
    BlinkState m_blink;
    int m_currentIcon = 0;
    QString m_hint;
};
