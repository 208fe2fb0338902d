#pragma once

#include "launch/dialogs/SettingsDialog.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class ConfigFile;
class DiscoveryCommands;
class FileDialogs;
class MessageBoxes;
class QAction;
class QueryEngine;
class HistoryKeeper;
class ReportCommands;
class SoundPlayer;
class SpeechComponent;
class SpeechEngine;
class StatsPage;
struct Settings;

// "Program options": the settings dialog, and on OK the settings written to
// the configuration file in one atomic write and taken over by the running
// program at once (a new local port only at the next start). When the file
// cannot be written the user chooses between keeping the settings for this
// session and going back to the dialog. Also the shortcuts of the menu
// commands, as stored in section HotKeys.
class SettingsCommands final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        ConfigFile &config;
        Settings &settings;
        MessageBoxes &messages;
        FileDialogs &files;
        SoundPlayer &sound;
        SpeechEngine *speechEngine;
        SpeechComponent &speech;
        QueryEngine &engine;
        StatsPage &stats;
        DiscoveryCommands &discovery;
        ReportCommands &report;
        HistoryKeeper &history;
        // Shows the new look: colours, graph options, fonts, title bar.
        std::function<void()> applyView;
        // The version number the last check found, which a check during the
        // run may have changed since the start.
        std::function<int()> lastVersionChecked;
    };

    SettingsCommands(const Context &context, QWidget *window);
    ~SettingsCommands() override;

    // Opens the dialog (window-modal); OK applies it.
    void openSettings();
    QAction *programOptionsAction() const { return m_programOptions; }

    // The stored shortcuts, given to the menu commands at start.
    void loadHotKeys();
    // The shortcut code of each command, in table order.
    QList<int> hotKeyCodes() const;
    // Gives each command with a code its shortcut; commands without one keep
    // theirs. A key that two commands would share stays with the first.
    void applyHotKeys(const QList<std::optional<int>> &codes);

private:
    // OK: writes and takes over the values; false to go back to the dialog.
    bool commit(const SettingsDialog::Values &values);
    void takeOver(const SettingsDialog::Values &values);
    QList<QAction *> actionsNamed(const QString &name) const;

    Context m_context;
    QWidget *m_window;
    QAction *m_programOptions;
    QPointer<SettingsDialog> m_dialog;
    // The port the dialog showed: the one the next start will use.
    int m_shownPort = 0;
};
