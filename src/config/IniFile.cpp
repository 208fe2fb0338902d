#include "IniFile.h"

#include "core/TextDecoding.h"
#include "platform/AtomicFile.h"

#include <QFile>

#include <limits>

namespace {

// "[name]" with blanks allowed around it; the name without its brackets.
bool sectionHeader(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    if (name)
        *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

bool keyLine(const QString &line, QString *key, QString *value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    const QString k = line.left(eq).trimmed();
    if (k.isEmpty() || k.startsWith(QLatin1Char(';')))
        return false;
    *key = k;
    if (value)
        *value = line.mid(eq + 1);
    return true;
}

QString readValue(const QString &raw)
{
    QString v = raw.trimmed();
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.mid(1, v.size() - 2);
    return v.left(IniFile::kMaxValueLength);
}

// The stored form of a value, chosen so that readValue() gives it back.
QString storedValue(const QString &value)
{
    const bool blankEdge = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quotedLook = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
    return blankEdge || quotedLook ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(const QString &path)
    : m_path(path)
{
}

bool IniFile::load(QString *error)
{
    QFile file(m_path);
    if (!file.exists()) {
        setBytes({});
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(m_path, file.errorString());
        setBytes({});
        return false;
    }
    setBytes(file.readAll());
    return true;
}

bool IniFile::save(QString *error) const
{
    return replaceFileAtomically(m_path, toBytes(), error);
}

void IniFile::setBytes(const QByteArray &bytes)
{
    const QString text = decodeUtf8OrWindows1252(bytes);
    m_crlf = text.contains(QLatin1String("\r\n"));
    m_lines = text.split(QLatin1Char('\n'));
    for (QString &line : m_lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // The last line break ends the last line rather than starting an empty one.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
}

QByteArray IniFile::toBytes() const
{
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString &line : m_lines)
        text += line + eol;
    return text.toUtf8();
}

qsizetype IniFile::findSection(const QString &section) const
{
    QString name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (sectionHeader(m_lines[i], &name) && sameName(name, section))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !sectionHeader(m_lines[i], nullptr))
        ++i;
    return i;
}

IniFile::KeyLine IniFile::findKey(const QString &section, const QString &key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return {};
    const qsizetype end = sectionEnd(header);
    QString name, value;
    for (qsizetype i = header + 1; i < end; ++i) {
        if (keyLine(m_lines[i], &name, &value) && sameName(name, key))
            return {i, value};
    }
    return {};
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKey(section, key).line >= 0;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const KeyLine found = findKey(section, key);
    return found.line >= 0 ? readValue(found.value) : defaultValue.left(kMaxValueLength);
}

int IniFile::parseInteger(const QString &text, int defaultValue)
{
    QString t = text.trimmed();
    bool negative = false;
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t = t.mid(1);
    } else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t = t.mid(2);
    } else if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t = t.mid(1);
    }
    if (t.isEmpty())
        return defaultValue;
    qint64 value = 0;
    for (const QChar c : t) {
        const int digit = c.isDigit() && c.unicode() < 128 ? c.unicode() - '0'
            : base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')
            ? c.toLower().unicode() - 'a' + 10
            : -1;
        if (digit < 0)
            return defaultValue;
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return defaultValue;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return defaultValue;
    return static_cast<int>(value);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const KeyLine found = findKey(section, key);
    return found.line >= 0 ? parseInteger(readValue(found.value), defaultValue) : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::putValue(const QString &section, const QString &key, const QString &stored)
{
    const KeyLine found = findKey(section, key);
    const QString line = key + QLatin1Char('=') + stored;
    if (found.line >= 0) {
        m_lines[found.line] = line;
        return;
    }
    const qsizetype header = findSection(section);
    if (header < 0) {
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(line);
        return;
    }
    // After the section's last key, ahead of the blank lines that part it from the next section.
    qsizetype at = sectionEnd(header);
    while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value, QString *error)
{
    if (value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) || value.contains(QChar(0))) {
        if (error)
            *error = QStringLiteral("The value of %1 holds a line break and cannot be stored.").arg(key);
        return false;
    }
    if (value.size() > kMaxValueLength) {
        if (error)
            *error = QStringLiteral("The value of %1 is longer than %2 characters and cannot be stored.")
                         .arg(key)
                         .arg(kMaxValueLength);
        return false;
    }
    putValue(section, key, storedValue(value));
    return true;
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    putValue(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    putValue(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::eraseSection(const QString &section)
{
    for (qsizetype header = findSection(section); header >= 0; header = findSection(section))
        m_lines.remove(header, sectionEnd(header) - header);
}
