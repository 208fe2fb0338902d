#pragma once

#include "IniFile.h"

#include <QString>

#include <functional>

class MessageBoxes;

// Quorvelin.ini, written through: every change opens the file, writes its
// own keys and replaces the file at once. A file that cannot be read or
// written (read-only, say) is reported once, saying that changes are kept
// for this session only; the program goes on with what it has in memory.
class ConfigFile final
{
public:
    ConfigFile(const QString &path, MessageBoxes &messages);

    QString path() const { return m_path; }
    // The file as it is now; a missing or unreadable file reads as empty.
    IniFile read() const;
    // Runs the change on the current file and saves it. The change returns
    // false, with a message, when it refuses a value; nothing is then written.
    bool write(const std::function<bool(IniFile &, QString *error)> &change);

private:
    QString m_path;
    MessageBoxes &m_messages;
    bool m_reportedWriteFailure = false;
};
