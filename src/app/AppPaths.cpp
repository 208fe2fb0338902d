#include "AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

QString profileDirectory(const QString &requested, const QString &programDirectory, const QString &userConfigDirectory)
{
    if (!requested.isEmpty())
        return QDir(requested).absolutePath();
    const QDir programDir(programDirectory);
    if (QFileInfo::exists(programDir.filePath(QStringLiteral("Quorvelin.ini"))))
        return programDir.absolutePath();
    // A writable directory is a portable copy, unless the program is
    // installed (its files beside it in share/quorvelin): bin/ of a prefix
    // the user can write, such as ~/.local, or root's /usr/bin, is no
    // place for a profile.
    const QFileInfo programInfo(programDir.absolutePath());
    const bool installed = QFileInfo(programDir.filePath(QStringLiteral("../share/quorvelin"))).isDir();
    if (programInfo.isDir() && programInfo.isWritable() && !installed)
        return programDir.absolutePath();
    return userConfigDirectory;
}

QString userConfigDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Quorvelin"));
}

} // namespace AppPaths
