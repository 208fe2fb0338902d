#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A Windows-style INI file held as its lines, so that whatever the program
// does not know (sections, keys, comments, order) is written back untouched.
// Section and key names match without regard to case; a written key replaces
// the old value in place, a new key is appended to its section and a new
// section to the file. Reading follows the profile-string rules: blanks
// around a value are dropped, one pair of enclosing double quotes is removed,
// and a value is cut at kMaxValueLength characters.
class IniFile final
{
public:
    static constexpr int kMaxValueLength = 2047;

    IniFile() = default;
    explicit IniFile(const QString &path);

    // Reads the file; a missing file reads as an empty one. False, with a
    // message, only when the file exists and cannot be read.
    bool load(QString *error = nullptr);
    // Replaces the file as a whole: a temporary file beside it is written,
    // flushed and renamed over it, so a crash leaves the old file or the new.
    bool save(QString *error = nullptr) const;

    // Text of the file, written as UTF-8; read as UTF-8 when it is valid
    // UTF-8, as Windows-1252 otherwise.
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
    struct KeyLine
    {
        qsizetype line = -1;
        QString value;
    };

    qsizetype findSection(const QString &section) const;
    qsizetype sectionEnd(qsizetype header) const;
    KeyLine findKey(const QString &section, const QString &key) const;
    void putValue(const QString &section, const QString &key, const QString &stored);

    QString m_path;
    QStringList m_lines;
    bool m_crlf = false;
};
