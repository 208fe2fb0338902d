#include "HotKeyEdit.h"

#include "config/HotKeys.h"

#include <QKeyEvent>

namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
           || key == Qt::Key_AltGr || key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock
           || key == Qt::Key_unknown || key == 0;
}

} // namespace

HotKeyEdit::HotKeyEdit(QWidget *parent)
    : QLineEdit(parent)
{
    // Typing, pasting and dropping never change the text; only a captured key does.
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void HotKeyEdit::setKey(QKeyCombination key)
{
    m_key = key;
    setText(HotKeys::textOf(HotKeys::codeOf(key)));
}

bool HotKeyEdit::event(QEvent *event)
{
    // Shortcuts of the dialog (and the keys a line edit keeps for itself)
    // must not take the keys the user wants to capture.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = keyEvent->key();
        const bool plain = keyEvent->modifiers() == Qt::NoModifier;
        if (!(plain && (key == Qt::Key_Escape || key == Qt::Key_Tab)) && key != Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier);
    if ((key == Qt::Key_Escape && modifiers == Qt::NoModifier) || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
    event->accept();
    if (key == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        setKey(QKeyCombination());
        return;
    }
    if (isModifierKey(key))
        return;
    setKey(QKeyCombination(modifiers, Qt::Key(key)));
}
