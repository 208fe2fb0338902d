#pragma once

#include <QKeyCombination>
#include <QLineEdit>

// Captures one key with its modifiers and shows its name, as a hot key
// control does. Backspace alone clears it; Tab, Shift+Tab and Escape keep
// their usual meaning so the dialog stays usable from the keyboard.
class HotKeyEdit final : public QLineEdit
{
public:
    explicit HotKeyEdit(QWidget *parent = nullptr);

    // QKeyCombination() when empty.
    QKeyCombination key() const { return m_key; }
    void setKey(QKeyCombination key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    QKeyCombination m_key;
};
