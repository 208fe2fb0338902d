#include "HotKeys.h"

#include "IniFile.h"

#include <QHash>
#include <QSet>

#include <array>

namespace HotKeys {

namespace {

const QString kSection = QStringLiteral("HotKeys");

constexpr int kShift = 0x2000;
constexpr int kCtrl = 0x4000;
constexpr int kAlt = 0x8000;
constexpr int kModifierBits = kShift | kCtrl | kAlt;

// One key with a virtual-key code: its Qt key, whether Qt reports it with
// the keypad modifier, and its shown name.
struct KeyEntry
{
    int vk = 0;
    Qt::Key key = Qt::Key_unknown;
    bool keypad = false;
    QString name;
};

// Lookups in both directions, built once from the key list.
struct KeyTable
{
    std::array<KeyEntry, 256> byCode{};
    // Qt key, with the keypad bit folded in, to the virtual-key code.
    QHash<int, int> codeByKey;
    // Case-folded shown name to the virtual-key code.
    QHash<QString, int> codeByName;

    void add(int vk, Qt::Key key, const QString &name, bool keypad = false)
    {
        byCode[vk] = KeyEntry{vk, key, keypad, name};
        codeByKey.insert(lookupKey(key, keypad), vk);
        codeByName.insert(name.toCaseFolded(), vk);
    }

    // A second Qt key that stands for the same code, read but never produced.
    void alias(Qt::Key key, int vk) { codeByKey.insert(lookupKey(key, false), vk); }
    // A second name of a code, read but never produced.
    void nameAlias(const QString &name, int vk) { codeByName.insert(name.toCaseFolded(), vk); }

    static int lookupKey(Qt::Key key, bool keypad) { return int(key) | (keypad ? int(Qt::KeypadModifier) : 0); }
};

void addNamedKeys(KeyTable &t)
{
    t.add(8, Qt::Key_Backspace, QStringLiteral("Backspace"));
    t.add(9, Qt::Key_Tab, QStringLiteral("Tab"));
    t.add(13, Qt::Key_Return, QStringLiteral("Enter"));
    t.add(19, Qt::Key_Pause, QStringLiteral("Pause"));
    t.add(27, Qt::Key_Escape, QStringLiteral("Esc"));
    t.add(32, Qt::Key_Space, QStringLiteral("Space"));
    t.add(33, Qt::Key_PageUp, QStringLiteral("PgUp"));
    t.add(34, Qt::Key_PageDown, QStringLiteral("PgDown"));
    t.add(35, Qt::Key_End, QStringLiteral("End"));
    t.add(36, Qt::Key_Home, QStringLiteral("Home"));
    t.add(37, Qt::Key_Left, QStringLiteral("Left"));
    t.add(38, Qt::Key_Up, QStringLiteral("Up"));
    t.add(39, Qt::Key_Right, QStringLiteral("Right"));
    t.add(40, Qt::Key_Down, QStringLiteral("Down"));
    t.add(45, Qt::Key_Insert, QStringLiteral("Ins"));
    t.add(46, Qt::Key_Delete, QStringLiteral("Del"));

    t.add(106, Qt::Key_Asterisk, QStringLiteral("Num *"), true);
    t.add(107, Qt::Key_Plus, QStringLiteral("Num +"), true);
    t.add(109, Qt::Key_Minus, QStringLiteral("Num -"), true);
    t.add(110, Qt::Key_Period, QStringLiteral("Num ."), true);
    t.add(111, Qt::Key_Slash, QStringLiteral("Num /"), true);

    t.add(186, Qt::Key_Semicolon, QStringLiteral(";"));
    t.add(187, Qt::Key_Equal, QStringLiteral("="));
    t.add(188, Qt::Key_Comma, QStringLiteral(","));
    t.add(189, Qt::Key_Minus, QStringLiteral("-"));
    t.add(190, Qt::Key_Period, QStringLiteral("."));
    t.add(191, Qt::Key_Slash, QStringLiteral("/"));
    t.add(192, Qt::Key_QuoteLeft, QStringLiteral("`"));
    t.add(219, Qt::Key_BracketLeft, QStringLiteral("["));
    t.add(220, Qt::Key_Backslash, QStringLiteral("\\"));
    t.add(221, Qt::Key_BracketRight, QStringLiteral("]"));
    t.add(222, Qt::Key_Apostrophe, QStringLiteral("'"));
}

// Qt reports the keypad's Enter apart from Return, Shift+Tab as Backtab and
// shifted keys by the symbol they type; the codes know only the key itself.
// The symbols are those of the US layout.
void addAliases(KeyTable &t)
{
    t.alias(Qt::Key_Enter, 13);
    // Windows names code 46 "Num Del" after its keypad twin; files and the
    // command table use that name for Del.
    t.nameAlias(QStringLiteral("Num Del"), 46);
    t.alias(Qt::Key_Backtab, 9);
    const std::array<std::pair<Qt::Key, int>, 21> shifted{{
        {Qt::Key_ParenRight, 48},  {Qt::Key_Exclam, 49},      {Qt::Key_At, 50},          {Qt::Key_NumberSign, 51},
        {Qt::Key_Dollar, 52},      {Qt::Key_Percent, 53},     {Qt::Key_AsciiCircum, 54}, {Qt::Key_Ampersand, 55},
        {Qt::Key_Asterisk, 56},    {Qt::Key_ParenLeft, 57},   {Qt::Key_Colon, 186},      {Qt::Key_Plus, 187},
        {Qt::Key_Less, 188},       {Qt::Key_Underscore, 189}, {Qt::Key_Greater, 190},    {Qt::Key_Question, 191},
        {Qt::Key_AsciiTilde, 192}, {Qt::Key_BraceLeft, 219},  {Qt::Key_Bar, 220},        {Qt::Key_BraceRight, 221},
        {Qt::Key_QuoteDbl, 222},
    }};
    for (const auto &[key, vk] : shifted)
        t.alias(key, vk);
}

KeyTable buildKeyTable()
{
    KeyTable t;
    for (int n = 0; n < 26; ++n)
        t.add(65 + n, Qt::Key(Qt::Key_A + n), QString(QChar(u'A' + n)));
    for (int n = 0; n < 10; ++n) {
        t.add(48 + n, Qt::Key(Qt::Key_0 + n), QString::number(n));
        t.add(96 + n, Qt::Key(Qt::Key_0 + n), QStringLiteral("Num %1").arg(n), true);
    }
    for (int n = 0; n < 24; ++n)
        t.add(112 + n, Qt::Key(Qt::Key_F1 + n), QStringLiteral("F%1").arg(n + 1));
    addNamedKeys(t);
    addAliases(t);
    return t;
}

const KeyTable &keyTable()
{
    static const KeyTable table = buildKeyTable();
    return table;
}

// The virtual-key code of a code, or nullptr when the code names no key.
const KeyEntry *entryOf(int code)
{
    if (code <= 0 || code > 0xFFFF || (code & ~(kModifierBits | 0xFF)) != 0)
        return nullptr;
    const KeyEntry &entry = keyTable().byCode[code & 0xFF];
    return entry.vk != 0 ? &entry : nullptr;
}

// actions: the objectNames, separated by blanks.
Row row(const char *key, const char *caption, const char *tableText, const char *actions,
        QKeyCombination builtIn = kNoKey)
{
    return Row{QString::fromLatin1(key), QString::fromLatin1(caption), QString::fromLatin1(tableText),
               QString::fromLatin1(actions).split(QLatin1Char(' ')), builtIn};
}

QList<Row> buildRows()
{
    return {
        row("About", "About...", "F12", "mi_About", Qt::Key_F12),
        row("AddServer", "Add server", "Ctrl+A", "mi_Addserver1 mi_Addserver", Qt::CTRL | Qt::Key_A),
        row("CheckForNewVersion", "Check for new version", "", "mi_CheckForNewVersion"),
        row("DeleteServer", "Delete server", "Num Del", "mi_Deleteserver mi_Deleteserver1", Qt::Key_Delete),
        row("Exit", "Exit program", "", "mi_Exit"),
        row("FindLANServers", "Find LAN servers", "Ctrl+F", "mi_FindLANServers", Qt::CTRL | Qt::Key_F),
        row("Help", "Help", "F1", "mi_Help2", Qt::Key_F1),
        row("ImportFromINI", "Import from ini", "Ctrl+I", "mi_ImportFromIni", Qt::CTRL | Qt::Key_I),
        row("JoinServer", "Join server", "", "mi_JoinServer mi_JoinServer2"),
        row("PorgramOptions", "Program options", "Ctrl+O", "mi_Programoptions1", Qt::CTRL | Qt::Key_O),
        row("UpdateAllServers", "Refresh all servers", "Shift+F5", "mi_UpdateAllServers mi_UpdateAllServers1",
            Qt::SHIFT | Qt::Key_F5),
        row("UpdateServerInfo", "Refresh server info", "F5", "mi_UpdateServerInfo mi_UpdateServerInfo2", Qt::Key_F5),
        row("MasterServer", "Retreive from master server", "Ctrl+M", "mi_MasterServer", Qt::CTRL | Qt::Key_M),
        row("ServerProperties", "Server properties", "Alt+Enter", "mi_Serverproperties mi_Serverproperties1",
            Qt::ALT | Qt::Key_Return),
        row("UpdateServerName", "Update server name", "", "mi_UpdateServerName mi_UpdateName"),
        row("Readme", "View readme file", "Ctrl+R", "mi_Readme", Qt::CTRL | Qt::Key_R),
        row("VersionHistory", "View version history", "Ctrl+V", "mi_Versionhistory", Qt::CTRL | Qt::Key_V),
    };
}

// Modifier prefixes of shown names, in the order they are written.
struct Prefix
{
    QLatin1String text;
    int bit;
};
constexpr std::array<Prefix, 3> kPrefixes{{
    {QLatin1String("Shift+"), kShift},
    {QLatin1String("Ctrl+"), kCtrl},
    {QLatin1String("Alt+"), kAlt},
}};

} // namespace

const QList<Row> &table()
{
    static const QList<Row> rows = buildRows();
    return rows;
}

int codeOf(QKeyCombination key)
{
    const Qt::KeyboardModifiers mods = key.keyboardModifiers();
    // The Windows key has no bit in a code.
    if (mods.testFlag(Qt::MetaModifier))
        return 0;
    const KeyTable &t = keyTable();
    int vk = 0;
    if (mods.testFlag(Qt::KeypadModifier))
        vk = t.codeByKey.value(KeyTable::lookupKey(key.key(), true));
    // Keypad keys without a code of their own (Enter, and the arrows and
    // Del while Num Lock is off) share the code of the main key.
    if (vk == 0)
        vk = t.codeByKey.value(KeyTable::lookupKey(key.key(), false));
    if (vk == 0)
        return 0;
    return vk | (mods.testFlag(Qt::ShiftModifier) ? kShift : 0) | (mods.testFlag(Qt::ControlModifier) ? kCtrl : 0)
           | (mods.testFlag(Qt::AltModifier) ? kAlt : 0);
}

QKeyCombination keyOf(int code)
{
    const KeyEntry *entry = entryOf(code);
    if (!entry)
        return kNoKey;
    Qt::KeyboardModifiers mods;
    mods.setFlag(Qt::KeypadModifier, entry->keypad);
    mods.setFlag(Qt::ShiftModifier, code & kShift);
    mods.setFlag(Qt::ControlModifier, code & kCtrl);
    mods.setFlag(Qt::AltModifier, code & kAlt);
    return QKeyCombination(mods, entry->key);
}

QString textOf(int code)
{
    const KeyEntry *entry = entryOf(code);
    if (!entry)
        return QString();
    QString text;
    for (const Prefix &prefix : kPrefixes) {
        if (code & prefix.bit)
            text += prefix.text;
    }
    return text + entry->name;
}

int codeOfText(const QString &text)
{
    QStringView rest = QStringView(text).trimmed();
    int modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const Prefix &prefix : kPrefixes) {
            if (rest.size() > prefix.text.size() && rest.startsWith(prefix.text, Qt::CaseInsensitive)) {
                modifiers |= prefix.bit;
                rest = rest.sliced(prefix.text.size());
                found = true;
            }
        }
    }
    const int vk = keyTable().codeByName.value(rest.toString().toCaseFolded());
    return vk == 0 ? 0 : vk | modifiers;
}

QList<int> withoutClashes(const QList<int> &codes)
{
    QList<int> kept;
    kept.reserve(codes.size());
    QSet<int> held;
    for (const int given : codes) {
        const int code = codeOf(keyOf(given));
        if (code != 0 && held.contains(code)) {
            kept.append(0);
            continue;
        }
        held.insert(code);
        kept.append(code);
    }
    return kept;
}

QList<int> shownCodes(const QList<int> &codes)
{
    const QList<Row> &rows = table();
    QList<int> shown = withoutClashes(codes.mid(0, rows.size()));
    shown.resize(rows.size(), 0);
    QSet<int> held(shown.cbegin(), shown.cend());
    for (qsizetype n = 0; n < rows.size(); ++n) {
        if (shown[n] != 0)
            continue;
        const int fallback = codeOfText(rows[n].tableText);
        if (fallback != 0 && !held.contains(fallback)) {
            shown[n] = fallback;
            held.insert(fallback);
        }
    }
    return shown;
}

QList<std::optional<int>> load(const IniFile &ini)
{
    QList<std::optional<int>> codes;
    for (const Row &r : table()) {
        std::optional<int> code;
        if (ini.hasKey(kSection, r.key)) {
            const QString value = ini.readString(kSection, r.key);
            // A value that is not a number is as good as absent.
            const int parsed = IniFile::parseInteger(value, 0);
            if (parsed == IniFile::parseInteger(value, 1))
                code = parsed;
        }
        codes.append(code);
    }
    return codes;
}

void save(IniFile &ini, const QList<int> &codes)
{
    const QList<Row> &rows = table();
    for (qsizetype n = 0; n < rows.size() && n < codes.size(); ++n)
        ini.writeInteger(kSection, rows[n].key, codes[n]);
}

} // namespace HotKeys
