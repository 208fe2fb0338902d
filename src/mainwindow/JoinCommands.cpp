#include "JoinCommands.h"

#include "config/Settings.h"
#include "core/ServerTable.h"
#include "core/TextDecoding.h"
#include "launch/GameLaunch.h"
#include "launch/dialogs/RunPromptDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/ProcessLauncher.h"

#include <QTimer>
#include <QWidget>

JoinCommands::JoinCommands(const Context &context, QWidget *window)
    : QObject(window)
    , m_context(context)
    , m_window(window)
{
}

void JoinCommands::joinSelected()
{
    const int slot = m_context.selectedSlot();
    QString executable = GameLaunch::findExecutable(m_context.settings.UTBaseDir);
    if (executable.isEmpty() || slot < 0) {
        m_context.messages.showError(QStringLiteral("Could not find the Unreal Tournament executable."));
        return;
    }
    const TServerListInfo &entry = *m_context.table.entry(slot);
    if (entry.CurPlayers == entry.MaxPlayers) {
        m_context.messages.showError(QStringLiteral("This server is full."));
        return;
    }
    const TUTServer &server = *m_context.table.server(slot);
    const QString address =
        GameLaunch::gameAddress(server.Host, decodeUtf8OrWindows1252(server.HostPort), server.queryPort());
    if (!m_context.messages.confirm(
            QStringLiteral("Are your sure you want to join %1 ?\nserver address : %2").arg(entry.Name, address)))
        return;

    QString parameters = GameLaunch::parameters(address, m_context.settings.RunParams);
    if (m_context.settings.promptOnRun) {
        RunPromptDialog prompt(m_context.config, m_context.files, m_window);
        prompt.setCommand(executable, parameters, address);
        if (prompt.exec() != QDialog::Accepted)
            return;
        executable = prompt.executable();
        parameters = prompt.parameters();
    }
    const GameLaunch::Command command = GameLaunch::command(executable, parameters, m_context.wineProgram);
    m_context.processes.startDetached(command.program, command.arguments);

    if (m_context.settings.CloseOnJoin)
        QTimer::singleShot(500, m_window, &QWidget::close);
    else
        m_window->showMinimized();
}
