#pragma once

#include "GameLocator.h"

#include <QStringList>

// Looks in the usual places of native installs and Wine prefixes. A
// directory counts only when it holds the game's System folder with a game
// executable in it; names match without regard to case, as the game ships
// them in mixed case.
class SystemGameLocator final : public GameLocator
{
public:
    // Candidates are tried in order; by default the usual places below the
    // home directory and the system's game directories.
    explicit SystemGameLocator(QStringList candidates = defaultCandidates());

    QString findBaseDirectory() override;

    static bool isGameBaseDirectory(const QString &directory);
    // The file or directory at the relative path below base, each name
    // matched without regard to case; empty when there is none.
    static QString findIgnoringCase(const QString &base, const QString &relativePath);
    static QStringList defaultCandidates();

private:
    QStringList m_candidates;
};
