#include "SystemGameLocator.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char *const kExecutables[] = {
    "unrealtournament.exe", "ut-bin", "ut-bin-x86", "ut-bin-amd64", "ut-bin-arm64", "ut",
};

// The entry of dir whose name matches without regard to case.
QString childIgnoringCase(const QDir &dir, const QString &name, QDir::Filters filters)
{
    const QStringList entries = dir.entryList(filters | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

} // namespace

QString SystemGameLocator::findIgnoringCase(const QString &base, const QString &relativePath)
{
    QString path = base;
    const QStringList parts = relativePath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size() && !path.isEmpty(); ++i) {
        const bool last = i + 1 == parts.size();
        path = childIgnoringCase(QDir(path), parts[i], last ? QDir::Files | QDir::Dirs : QDir::Dirs);
    }
    return path;
}

SystemGameLocator::SystemGameLocator(QStringList candidates)
    : m_candidates(std::move(candidates))
{
}

bool SystemGameLocator::isGameBaseDirectory(const QString &directory)
{
    const QDir base(directory);
    if (!base.exists())
        return false;
    const QString system = childIgnoringCase(base, QStringLiteral("System"), QDir::Dirs);
    if (system.isEmpty())
        return false;
    for (const char *executable : kExecutables) {
        const QString file = childIgnoringCase(QDir(system), QString::fromLatin1(executable), QDir::Files);
        if (!file.isEmpty() && QFileInfo(file).isFile())
            return true;
    }
    return false;
}

QString SystemGameLocator::findBaseDirectory()
{
    for (const QString &candidate : std::as_const(m_candidates)) {
        if (isGameBaseDirectory(candidate))
            return QDir::cleanPath(candidate);
    }
    return {};
}

QStringList SystemGameLocator::defaultCandidates()
{
    const QString home = QDir::homePath();
    const QStringList wineRoots = {home + QStringLiteral("/.wine/drive_c"),
                                   home + QStringLiteral("/.local/share/wineprefixes/default/drive_c")};
    QStringList candidates = {
        home + QStringLiteral("/.local/share/OldUnreal/UnrealTournament"),
        home + QStringLiteral("/.local/share/UnrealTournament"),
        home + QStringLiteral("/UnrealTournament"),
        home + QStringLiteral("/ut"),
        home + QStringLiteral("/.steam/steam/steamapps/common/Unreal Tournament"),
        home + QStringLiteral("/.local/share/Steam/steamapps/common/Unreal Tournament"),
        home + QStringLiteral("/GOG Games/Unreal Tournament GOTY"),
        QStringLiteral("/usr/local/games/UnrealTournament"),
        QStringLiteral("/usr/local/games/ut"),
        QStringLiteral("/usr/share/games/ut"),
        QStringLiteral("/opt/UnrealTournament"),
        QStringLiteral("/opt/ut"),
    };
    for (const QString &root : wineRoots) {
        candidates << root + QStringLiteral("/UnrealTournament")
                   << root + QStringLiteral("/Program Files/Unreal Tournament")
                   << root + QStringLiteral("/Program Files (x86)/Unreal Tournament")
                   << root + QStringLiteral("/GOG Games/Unreal Tournament GOTY")
                   << root + QStringLiteral("/Program Files (x86)/GOG Galaxy/Games/Unreal Tournament GOTY");
    }
    return candidates;
}
