#include "SettingsCommands.h"

#include "DiscoveryCommands.h"
#include "ReportCommands.h"
#include "StatsPage.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "config/HotKeys.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "core/QueryEngine.h"
#include "core/SpeechComponent.h"
#include "discovery/dialogs/MasterServerDialog.h"
#include "platform/MessageBoxes.h"
#include "platform/SpeechEngine.h"

#include <QAction>
#include <QKeySequence>

#include <algorithm>

SettingsCommands::SettingsCommands(const Context &context, QWidget *window)
    : QObject(window)
    , m_context(context)
    , m_window(window)
    , m_programOptions(new QAction(QStringLiteral("Program options"), window))
{
    m_programOptions->setObjectName(QStringLiteral("mi_Programoptions1"));
    m_programOptions->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_programOptions->setStatusTip(QStringLiteral("Change the settings of Quorvelin"));
    connect(m_programOptions, &QAction::triggered, this, &SettingsCommands::openSettings);
}

SettingsCommands::~SettingsCommands() = default;

void SettingsCommands::openSettings()
{
    if (m_dialog)
        return;
    SettingsDialog::Values values{m_context.settings, masterServers(), hotKeyCodes(), m_context.speech.isActive()};
    const QStringList voices = m_context.speech.voices();
    const SettingsDialog::Context dialogContext{m_context.files, m_context.sound, m_context.speechEngine,
                                                m_context.messages};
    m_dialog = new SettingsDialog(dialogContext, values, voices, m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &QDialog::finished, this, [this](int result) {
        const SettingsDialog::Values edited = m_dialog->values();
        // The test button may have changed the engine's voice.
        if (m_context.speechEngine && !m_context.settings.ComputerVoice.isEmpty())
            m_context.speechEngine->selectVoice(m_context.settings.ComputerVoice);
        if (result == QDialog::Accepted)
            apply(edited);
        m_context.applyView();
    });
    m_dialog->open();
}

void SettingsCommands::apply(const SettingsDialog::Values &values)
{
    const bool portChanged = values.settings.LocalPort != m_context.settings.LocalPort;
    // One atomic write; a value the file cannot hold is reported by the file.
    m_context.config.write([&values](IniFile &ini, QString *error) {
        if (!Configuration::saveDialogSettings(ini, values.settings, values.masterServers, error))
            return false;
        HotKeys::save(ini, values.hotKeyCodes);
        return true;
    });
    takeOver(values);
    if (portChanged)
        m_context.messages.showWarning(
            QStringLiteral("You have to restart the program for the local port changes to take effect."));
}

// Only the fields the dialog edits; the rest of the running state (delays,
// sort order, the version last checked) may have moved on meanwhile.
void SettingsCommands::takeOver(const SettingsDialog::Values &values)
{
    const Settings &n = values.settings;
    Settings &s = m_context.settings;
    s.TitleBarFormat = n.TitleBarFormat;
    s.BuddySpeechFormat = n.BuddySpeechFormat;
    s.UTBaseDir = n.UTBaseDir;
    s.ServerTimeOut = n.ServerTimeOut;
    s.MinBarWidth = n.MinBarWidth;
    s.BuddySound = n.BuddySound;
    s.SleepTime = n.SleepTime;
    s.ComputerVoiceActive = values.speechActive;
    m_context.engine.setSleepTime(static_cast<quint32>(std::max(0, s.SleepTime)));
    if (n.ComputerVoice != s.ComputerVoice) {
        s.ComputerVoice = n.ComputerVoice;
        m_context.speech.selectVoice(s.ComputerVoice);
    }
    m_context.speech.setActive(s.speechActive());
    s.NgWorldStats = n.NgWorldStats;
    if (MasterServerDialog *master = m_context.discovery.masterServerDialog())
        master->setMasterServers(values.masterServers);
    s.LoadColorBelowHalf = n.LoadColorBelowHalf;
    s.LoadColorHalf = n.LoadColorHalf;
    s.LoadColorFull = n.LoadColorFull;
    s.DefaultFontSize = n.DefaultFontSize;
    s.RememberServerCheck = n.RememberServerCheck;
    s.Paint3DFrameTeam = n.Paint3DFrameTeam;
    s.Paint3DFrameGraph = n.Paint3DFrameGraph;
    s.PaintThickTeam = n.PaintThickTeam;
    s.PaintThickGraph = n.PaintThickGraph;
    s.PaintFrameTeam = n.PaintFrameTeam;
    s.PaintFrameGraph = n.PaintFrameGraph;
    s.promptOnRun = n.promptOnRun;
    s.RunParams = n.RunParams;
    s.CloseOnJoin = n.CloseOnJoin;
    s.CheckVersionAtStartUp = n.CheckVersionAtStartUp;
    m_context.stats.setHost(s.NgWorldStats);
    s.HtmlTemplate = n.HtmlTemplate;
    s.HtmlOutput = n.HtmlOutput;
    s.HtmlOutputDir = n.HtmlOutputDir;
    s.HtmlCommand = n.HtmlCommand;
    s.HtmlEnabled = n.HtmlEnabled;
    s.HtmlInterval = n.HtmlInterval;
    m_context.report.applySettings(s);
    QList<std::optional<int>> codes(values.hotKeyCodes.begin(), values.hotKeyCodes.end());
    applyHotKeys(codes);
}

QStringList SettingsCommands::masterServers() const
{
    return Configuration::masterServers(m_context.config.read());
}

QList<QAction *> SettingsCommands::actionsNamed(const QString &name) const
{
    return m_window->findChildren<QAction *>(name);
}

void SettingsCommands::loadHotKeys()
{
    applyHotKeys(HotKeys::load(m_context.config.read()));
}

QList<int> SettingsCommands::hotKeyCodes() const
{
    QList<int> codes;
    for (const HotKeys::Row &row : HotKeys::table()) {
        int code = 0;
        // The first of the row's menu items that exists is read.
        for (const QString &name : row.actions) {
            const QList<QAction *> found = actionsNamed(name);
            if (found.isEmpty())
                continue;
            const QKeySequence shortcut = found.constFirst()->shortcut();
            code = shortcut.isEmpty() ? 0 : HotKeys::codeOf(shortcut[0]);
            break;
        }
        codes.append(code);
    }
    return codes;
}

void SettingsCommands::applyHotKeys(const QList<std::optional<int>> &codes)
{
    const QList<HotKeys::Row> &rows = HotKeys::table();
    for (qsizetype n = 0; n < rows.size() && n < codes.size(); ++n) {
        if (!codes[n])
            continue;
        const QKeyCombination key = HotKeys::keyOf(*codes[n]);
        const QKeySequence shortcut = HotKeys::codeOf(key) == 0 ? QKeySequence() : QKeySequence(key);
        for (const QString &name : rows[n].actions) {
            for (QAction *action : actionsNamed(name))
                action->setShortcut(shortcut);
        }
    }
}
