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
    const QFileInfo programInfo(programDir.absolutePath());
    if (programInfo.isDir() && programInfo.isWritable())
        return programDir.absolutePath();
    return userConfigDirectory;
}

QString userConfigDirectory()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Quorvelin"));
}

} // namespace AppPaths
