#include "TrayBlinker.h"

#include "IconFactory.h"

#include <QMenu>

TrayBlinker::TrayBlinker(QObject *parent)
    : QObject(parent)
{
    m_blinkTimer.setInterval(500);
    connect(&m_blinkTimer, &QTimer::timeout, this, &TrayBlinker::advanceBlink);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;

    m_tray = new QSystemTrayIcon(IconFactory::trayIcon(0), this);
    m_menu = new QMenu;
    QAction *restore = m_menu->addAction(QStringLiteral("Restore"));
    m_menu->setDefaultAction(restore);
    QAction *exit = m_menu->addAction(QStringLiteral("Exit"));
    connect(restore, &QAction::triggered, this, &TrayBlinker::restoreRequested);
    connect(exit, &QAction::triggered, this, &TrayBlinker::exitRequested);
    connect(this, &QObject::destroyed, m_menu, &QObject::deleteLater);
    m_tray->setContextMenu(m_menu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &TrayBlinker::activate);
    m_tray->setToolTip(QStringLiteral("Quorvelin"));
    m_tray->show();
}

void TrayBlinker::activate(QSystemTrayIcon::ActivationReason reason)
{
    // A double click restores; a single click is left to the desktop (it
    // opens the menu on some), as is a middle click.
    if (reason == QSystemTrayIcon::DoubleClick)
        Q_EMIT restoreRequested();
}

void TrayBlinker::setHint(const QString &hint)
{
    m_hint = hint;
    if (m_tray && m_tray->toolTip() != hint)
        m_tray->setToolTip(hint);
}

void TrayBlinker::startBlink(int mode)
{
    m_blink.startBlink(mode);
    m_blinkTimer.start();
}

void TrayBlinker::advanceBlink()
{
    const int icon = m_blink.tick();
    if (icon < 0) {
        m_blinkTimer.stop();
        return;
    }
    showIcon(icon);
}

void TrayBlinker::showIcon(int index)
{
    m_currentIcon = index;
    if (m_tray)
        m_tray->setIcon(IconFactory::trayIcon(index));
}

bool TrayBlinker::showMessage(const QString &title, const QString &text)
{
    if (!m_tray || !QSystemTrayIcon::supportsMessages())
        return false;
    m_tray->showMessage(title, text, m_tray->icon());
    return true;
}
