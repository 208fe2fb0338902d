#pragma once

#include "GameLocator.h"

#include <QStringList>

// Looks in the usual places of native installs and Wine prefixes. A
// directory counts only when it holds a game executable that findExecutable
// finds, so every directory found can be joined from; names match without
// regard to case, as the game ships them in mixed case.
class SystemGameLocator final : public GameLocator
{
public:
    // Candidates are tried in order; by default the usual places below the
    // home directory and the system's game directories.
    explicit SystemGameLocator(QStringList candidates = defaultCandidates());

    QString findBaseDirectory() override;

    // The game's executable below the base directory: a native build
    // (System64/ut-bin-amd64, ..., System/ut-bin) or else the Windows one
    // (System/UnrealTournament.exe). Empty when none exists.
    static QString findExecutable(const QString &baseDirectory);
    static bool isGameBaseDirectory(const QString &directory);
    // The file or directory at the relative path below base, each name
    // matched without regard to case; empty when there is none.
    static QString findIgnoringCase(const QString &base, const QString &relativePath);
    static QStringList defaultCandidates();

private:
    QStringList m_candidates;
};
