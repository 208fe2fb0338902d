#include "HelpFiles.h"

#include <QDir>
#include <QFileInfo>

namespace HelpFiles {

QString locate(const QString &relativePath, const QString &programDirectory)
{
    if (relativePath.isEmpty() || programDirectory.isEmpty())
        return {};
    const QDir programDir(programDirectory);
    const QString candidates[] = {
        programDir.absoluteFilePath(relativePath),
        programDir.absoluteFilePath(QStringLiteral("../share/quorvelin/") + relativePath),
    };
    for (const QString &candidate : candidates) {
        const QFileInfo info(QDir::cleanPath(candidate));
        if (info.isFile())
            return info.absoluteFilePath();
    }
    return {};
}

} // namespace HelpFiles
