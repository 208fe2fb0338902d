#include "IniFile.h"

#include "core/TextDecoding.h"
#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>
#include <utility>

namespace {

// "[name]" with blanks allowed around it; the name without its brackets.
bool sectionHeader(const QString &line, QString *name)
{
    const QStringView t = QStringView(line).trimmed();
    if (t.size() < 2 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    if (name)
        *name = t.sliced(1, t.size() - 2).trimmed().toString();
    return true;
}

// "name=value" whose name is not blank and not a comment; the name.
bool keyLine(const QString &line, QString *key)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    const QStringView k = QStringView(line).first(eq).trimmed();
    if (k.isEmpty() || k.startsWith(QLatin1Char(';')))
        return false;
    *key = k.toString();
    return true;
}

// The value of a key line, by the profile-string rules.
QString readValue(const QString &line)
{
    QStringView v = QStringView(line).sliced(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        v = v.sliced(1, v.size() - 2);
    return v.left(IniFile::kMaxValueLength).toString();
}

// The stored form of a value, chosen so that readValue() gives it back.
QString storedValue(const QString &value)
{
    const bool blankEdge = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool quotedLook = value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
    return blankEdge || quotedLook ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

// Names that compare equal without regard to case fold to the same string.
QString folded(const QString &name)
{
    return name.toCaseFolded();
}

QString decodeUtf16(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    // The mark is already gone; another one at the start is text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QByteArray encodeUtf16(QStringConverter::Encoding encoding, const char *mark, const QString &text)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    return QByteArray(mark, 2) + QByteArray(encoder.encode(text));
}

} // namespace

IniFile::IniFile(const QString &path)
    : m_path(path)
{
}

bool IniFile::load(QString *error)
{
    QFile file(m_path);
    // Through links: a link to a file not made yet is a missing file.
    if (!QFileInfo::exists(m_path)) {
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
    QString text;
    if (bytes.startsWith("\xFF\xFE")) {
        m_encoding = Encoding::Utf16LittleEndian;
        text = decodeUtf16(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_encoding = Encoding::Utf16BigEndian;
        text = decodeUtf16(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    } else {
        m_encoding = Encoding::Utf8;
        text = decodeUtf8OrWindows1252(bytes);
    }
    m_crlf = text.contains(QLatin1String("\r\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    // The last line break ends the last line rather than starting an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    setLines(std::move(lines));
}

QByteArray IniFile::toBytes() const
{
    const QString eol = m_crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString &line : allLines())
        text += line + eol;
    switch (m_encoding) {
    case Encoding::Utf16LittleEndian: return encodeUtf16(QStringConverter::Utf16LE, "\xFF\xFE", text);
    case Encoding::Utf16BigEndian: return encodeUtf16(QStringConverter::Utf16BE, "\xFE\xFF", text);
    case Encoding::Utf8: break;
    }
    return text.toUtf8();
}

void IniFile::setLines(QStringList lines)
{
    m_preamble.clear();
    m_sections.clear();
    for (QString &line : lines)
        appendLine(std::move(line));
    indexSections();
}

QStringList IniFile::allLines() const
{
    QStringList lines = m_preamble;
    for (const Section &section : m_sections) {
        lines.append(section.header);
        lines.append(section.lines);
    }
    return lines;
}

void IniFile::appendLine(QString line)
{
    QString name;
    if (sectionHeader(line, &name)) {
        m_sections.append(Section{std::move(line), folded(name), {}, {}});
        return;
    }
    if (m_sections.isEmpty()) {
        m_preamble.append(std::move(line));
        return;
    }
    Section &section = m_sections.last();
    if (keyLine(line, &name)) {
        const QString key = folded(name);
        if (!section.keys.contains(key))
            section.keys.insert(key, section.lines.size());
    }
    section.lines.append(std::move(line));
}

void IniFile::indexSections()
{
    m_sectionIndex.clear();
    for (qsizetype n = 0; n < m_sections.size(); ++n) {
        if (!m_sectionIndex.contains(m_sections[n].name))
            m_sectionIndex.insert(m_sections[n].name, n);
    }
}

const QString *IniFile::findKeyLine(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(folded(section));
    if (s == m_sectionIndex.constEnd())
        return nullptr;
    const Section &found = m_sections[*s];
    const auto k = found.keys.constFind(folded(key));
    return k == found.keys.constEnd() ? nullptr : &found.lines[*k];
}

bool IniFile::hasSection(const QString &section) const
{
    return m_sectionIndex.contains(folded(section));
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKeyLine(section, key) != nullptr;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QString *line = findKeyLine(section, key);
    return line ? readValue(*line) : defaultValue.left(kMaxValueLength);
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
    const QString *line = findKeyLine(section, key);
    return line ? parseInteger(readValue(*line), defaultValue) : defaultValue;
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::putValue(const QString &section, const QString &key, const QString &stored)
{
    const QString line = key + QLatin1Char('=') + stored;
    const auto s = m_sectionIndex.constFind(folded(section));
    if (s == m_sectionIndex.constEnd()) {
        appendLine(QLatin1Char('[') + section + QLatin1Char(']'));
        // Blanks around the name are not part of it, so another section may have it already.
        if (!m_sectionIndex.contains(m_sections.last().name))
            m_sectionIndex.insert(m_sections.last().name, m_sections.size() - 1);
        appendLine(line);
    } else {
        Section &found = m_sections[*s];
        const auto k = found.keys.constFind(folded(key));
        if (k != found.keys.constEnd()) {
            found.lines[*k] = line;
        } else {
            // After the section's last key, ahead of the blank lines that part it
            // from the next section; only blank lines move, so no key's place changes.
            qsizetype at = found.lines.size();
            while (at > 0 && found.lines[at - 1].trimmed().isEmpty())
                --at;
            found.lines.insert(at, line);
            QString name;
            if (keyLine(line, &name) && !found.keys.contains(folded(name)))
                found.keys.insert(folded(name), at);
        }
    }
    // A key that makes its line read as a section header starts a section
    // there, as it will when the file is read again.
    if (sectionHeader(line, nullptr))
        setLines(allLines());
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
    const QString name = folded(section);
    if (!m_sectionIndex.contains(name))
        return;
    m_sections.removeIf([&name](const Section &s) { return s.name == name; });
    indexSections();
}
