#pragma once

#include <QKeyCombination>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class IniFile;

// The keyboard shortcuts of seventeen menu commands, stored in section
// "HotKeys" as 16-bit codes: a Windows virtual-key code plus 0x2000 for
// Shift, 0x4000 for Ctrl and 0x8000 for Alt (Ctrl+A is 16449, Del 46).
namespace HotKeys {

// No shortcut. This is what an empty QKeySequence holds; note that the
// default QKeyCombination() is Qt::Key_unknown, which makes a QKeySequence
// that is not empty, so it is not used for "none" here (codeOf() does read
// it as none).
inline constexpr QKeyCombination kNoKey = QKeyCombination::fromCombined(0);

struct Row
{
    QString key;                      // the key in section "HotKeys", e.g. "AddServer"
    QString caption;                  // e.g. "Add server"
    QString tableText;                // shown when the command has no shortcut, e.g. "Ctrl+A"; may be empty
    QStringList actions;              // objectNames of the menu actions; the first that exists is read for the row
    QKeyCombination builtIn = kNoKey; // kNoKey when none
};

// The seventeen rows in their fixed order.
const QList<Row> &table();

// The code of a shortcut; 0 for none or for a key without a code. The keypad
// modifier selects the keypad's own codes (Num 0-9, * + - . /); keys without
// one (keypad Enter, keypad arrows with Num Lock off) take the main key's code.
// Shifted symbols of the US layout ("Shift+!") name their unshifted key.
int codeOf(QKeyCombination key);
// The shortcut of a code; kNoKey for 0 or a code that names no key.
// codeOf(keyOf(c)) == c for every code that names a key.
QKeyCombination keyOf(int code);
// The shown name of a code: "Shift+", "Ctrl+", "Alt+" in that order, then the
// key ("A", "F5", "Del", "Num Del", "Enter", ...); empty for 0 or a code that
// names no key.
QString textOf(int code);
// The code of a shown name, prefixes in any order and any case; 0 for an
// empty text or one that names no key. codeOfText(textOf(c)) == c.
int codeOfText(const QString &text);

// Two commands with one shortcut both go dead, so a key is held by one row
// at most. withoutClashes() leaves a key that several rows hold with the
// first of them and takes it from the others (0); a code that names no key
// becomes 0.
QList<int> withoutClashes(const QList<int> &codes);
// What the hot key list shows for the codes: withoutClashes(), and a row
// without a key shows the key of its table text unless another row holds
// that key. One code per table row.
QList<int> shownCodes(const QList<int> &codes);

// The stored code of each row, in table order; nothing where the key is absent
// or its value is not a number. A stored code that names no key is given as it
// is; keyOf() turns it, like 0, into kNoKey.
QList<std::optional<int>> load(const IniFile &ini);
// Writes one code per row, in table order (codes.size() == table().size()).
void save(IniFile &ini, const QList<int> &codes);

} // namespace HotKeys
