#include "SystemGameLocator.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Below the base directory, the preferred first: the native builds, the
// 64-bit ones in their own folders as later patches ship them, then the
// Windows build.
const char *const kExecutables[] = {
    "System64/ut-bin-amd64",       "SystemARM64/ut-bin-arm64", "System/ut-bin-amd64",
    "System/ut-bin-arm64",         "System/ut-bin-x86",        "System/ut-bin",
    "System/UnrealTournament.exe",
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

QString SystemGameLocator::findExecutable(const QString &baseDirectory)
{
    if (baseDirectory.isEmpty() || !QDir(baseDirectory).exists())
        return {};
    for (const char *executable : kExecutables) {
        const QString file = findIgnoringCase(baseDirectory, QString::fromLatin1(executable));
        if (!file.isEmpty() && QFileInfo(file).isFile())
            return file;
    }
    return {};
}

bool SystemGameLocator::isGameBaseDirectory(const QString &directory)
{
    return !findExecutable(directory).isEmpty();
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
