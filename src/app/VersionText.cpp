#include "VersionText.h"

#include "SourceRevision.h"
#include "core/ProgramVersion.h"

QString versionText()
{
    const QString revision = QStringLiteral(QUORVELIN_SOURCE_REVISION);
    QString text =
        QStringLiteral("Quorvelin %1 (release %2").arg(QStringLiteral(QUORVELIN_VERSION)).arg(ProgramVersion::kCurrent);
    if (!revision.isEmpty())
        text += QStringLiteral(", revision ") + revision;
    return text + QLatin1Char(')');
}
