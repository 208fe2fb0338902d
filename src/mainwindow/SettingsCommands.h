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
class ReportCommands;
class SoundPlayer;
class SpeechComponent;
class SpeechEngine;
class StatsPage;
struct Settings;

// "Program options": the settings dialog, and on OK the settings written to
// the configuration file in one atomic write and taken over by the running
// program at once (a new local port only at the next start). Also the
// shortcuts of the menu commands, as stored in section HotKeys.
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
        // Shows the new look: colours, graph options, fonts, title bar.
        std::function<void()> applyView;
    };

    SettingsCommands(const Context &context, QWidget *window);
    ~SettingsCommands() override;

    // Opens the dialog (window-modal); OK applies it.
    void openSettings();
    SettingsDialog *dialog() const { return m_dialog; }
    QAction *programOptionsAction() const { return m_programOptions; }

    // The stored shortcuts, given to the menu commands at start.
    void loadHotKeys();
    // The shortcut code of each command, in table order.
    QList<int> hotKeyCodes() const;
    void applyHotKeys(const QList<std::optional<int>> &codes);

private:
    void apply(const SettingsDialog::Values &values);
    void takeOver(const SettingsDialog::Values &values);
    QStringList masterServers() const;
    QList<QAction *> actionsNamed(const QString &name) const;

    Context m_context;
    QWidget *m_window;
    QAction *m_programOptions;
    QPointer<SettingsDialog> m_dialog;
};
