#include "ConfigFile.h"

#include "platform/MessageBoxes.h"

namespace {

const QString kSessionOnly = QStringLiteral("\nChanges are kept for this session only.");

} // namespace

ConfigFile::ConfigFile(const QString &path, MessageBoxes &messages)
    : m_path(path)
    , m_messages(messages)
{
}

IniFile ConfigFile::read() const
{
    IniFile ini(m_path);
    ini.load();
    return ini;
}

bool ConfigFile::write(const std::function<bool(IniFile &, QString *)> &change)
{
    IniFile ini(m_path);
    QString error;
    if (!ini.load(&error)) {
        // Writing now would drop whatever the unreadable file holds.
        if (!m_reportedWriteFailure) {
            m_reportedWriteFailure = true;
            m_messages.showError(error + kSessionOnly);
        }
        return false;
    }
    if (!change(ini, &error)) {
        m_messages.showError(error);
        return false;
    }
    if (!ini.save(&error)) {
        if (!m_reportedWriteFailure) {
            m_reportedWriteFailure = true;
            m_messages.showError(error + kSessionOnly);
        }
        return false;
    }
    return true;
}
