#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A Windows-style INI file held as its lines, so that whatever the program
// does not know (sections, keys, comments, order) is written back untouched.
// Section and key names match without regard to case; a written key replaces
// the old value in place, a new key is appended to its section and a new
// section to the file. Reading follows the profile-string rules: blanks
// around a value are dropped, one pair of enclosing double quotes is removed,
// and a value is cut at kMaxValueLength characters. Of repeated sections or
// keys the first one counts.
//
// Sections and keys are indexed by name, so a lookup or a write takes the
// same time whatever the size of the file.
class IniFile final
{
public:
    static constexpr int kMaxValueLength = 2047;

    IniFile() = default;
    explicit IniFile(const QString &path);

    // Reads the file; a missing file reads as an empty one. False, with a
    // message, only when the file exists and cannot be read.
    bool load(QString *error = nullptr);
    // Replaces the file as a whole through replaceFileAtomically().
    bool save(QString *error = nullptr) const;

    // Text of the file. UTF-16 with a byte order mark, either byte order, is
    // written back as it came, mark included, so that the Windows editor
    // that wrote it still reads it. Anything else is read as UTF-8 when it is
    // valid UTF-8, as Windows-1252 otherwise, and written as UTF-8.
    void setBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    QString path() const { return m_path; }

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key, const QString &defaultValue = {}) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Refuses, with a message, a value that cannot be read back as written:
    // one with a line break or NUL, or longer than kMaxValueLength.
    bool writeString(const QString &section, const QString &key, const QString &value, QString *error = nullptr);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);
    void eraseSection(const QString &section);

    // The integer rules on their own: decimal with an optional sign, or
    // hexadecimal after "$", "0x" or "0X"; anything else gives the default.
    static int parseInteger(const QString &text, int defaultValue);

private:
    enum class Encoding {
        Utf8,
        Utf16LittleEndian,
        Utf16BigEndian,
    };

    // A "[name]" line and the lines after it, up to the next such line.
    struct Section
    {
        QString header;
        // The name without brackets, case-folded.
        QString name;
        QStringList lines;
        // Each key name, case-folded, to the first of its lines.
        QHash<QString, qsizetype> keys;
    };

    void setLines(QStringList lines);
    QStringList allLines() const;
    void appendLine(QString line);
    void indexSections();
    const QString *findKeyLine(const QString &section, const QString &key) const;
    void putValue(const QString &section, const QString &key, const QString &stored);

    QString m_path;
    // The lines ahead of the first section.
    QStringList m_preamble;
    QList<Section> m_sections;
    // Each section name, case-folded, to the first section of that name.
    QHash<QString, qsizetype> m_sectionIndex;
    Encoding m_encoding = Encoding::Utf8;
    bool m_crlf = false;
};
