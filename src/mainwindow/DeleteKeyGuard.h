#pragma once

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

// The Del key reaches the menu shortcuts only from the server list; with
// the keyboard anywhere else it belongs to the focused control, whatever
// command the user gave the key to.
class DeleteKeyGuard final : public QObject
{
public:
    DeleteKeyGuard(QWidget *serverList, QObject *parent)
        : QObject(parent)
        , m_serverList(serverList)
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        // Judged once, where the key starts: at the focused control.
        QWidget *widget = QApplication::focusWidget();
        if (watched != widget)
            return false;
        if (key->key() == Qt::Key_Delete && modifiers == Qt::NoModifier && widget && m_serverList
            && widget->window() == m_serverList->window() && widget != m_serverList
            && !m_serverList->isAncestorOf(widget) && !hasOwnDelete(widget))
            event->accept();
        return false;
    }

private:
    // A control with a Del command of its own (a list's "Delete") keeps it.
    static bool hasOwnDelete(const QWidget *widget)
    {
        for (const QAction *action : widget->actions()) {
            if (action->shortcut() == QKeySequence(Qt::Key_Delete))
                return true;
        }
        return false;
    }

    QPointer<QWidget> m_serverList;
};
