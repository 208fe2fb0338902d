#pragma once

#include "SettingsPage.h"

class QLineEdit;

// "Miscelaneous": the game's base directory, the last version the check
// found, the game's extra run parameters, the start and join switches and
// how long the servers' history is kept.
class GeneralSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit GeneralSettingsPage(const SettingsPageContext &context);

    // The base directory browser takes only a directory that holds the game.
    static bool isGameBaseDirectory(const QString &directory);

private:
    void browseBaseDirectory();

    QLineEdit *m_baseDir = nullptr;
};
