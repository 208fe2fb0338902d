#pragma once

#include <QObject>

#include <functional>

class ConfigFile;
class FileDialogs;
class MessageBoxes;
class ProcessLauncher;
class QWidget;
class ServerTable;
struct Settings;

// "Join Server": starts the game on the selected server after asking, with
// the run prompt in between when the settings want it.
class JoinCommands final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        const ServerTable &table;
        MessageBoxes &messages;
        ConfigFile &config;
        FileDialogs &files;
        const Settings &settings;
        ProcessLauncher &processes;
        // The slot of the selected server, -1 for none.
        std::function<int()> selectedSlot;
        // The program that runs Windows executables; empty when there is none.
        QString wineProgram;
    };

    JoinCommands(const Context &context, QWidget *window);

    void joinSelected();

private:
    Context m_context;
    QWidget *m_window;
};
