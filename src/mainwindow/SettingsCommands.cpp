#include "SettingsCommands.h"

#include "DiscoveryCommands.h"
#include "HistoryKeeper.h"
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
#include <QDir>
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
    const IniFile stored = m_context.config.read();
    SettingsDialog::Values values{m_context.settings, Configuration::masterServers(stored), hotKeyCodes(),
                                  m_context.speech.isActive()};
    // A port changed earlier in this run waits in the file for the next
    // start; showing the running one would write it back on OK.
    m_shownPort =
        stored.readInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), m_context.settings.LocalPort);
    values.settings.LocalPort = m_shownPort;
    if (m_context.lastVersionChecked)
        values.settings.LastVersionChecked = m_context.lastVersionChecked();
    const QStringList voices = m_context.speech.voices();
    const SettingsDialog::Context dialogContext{m_context.files, m_context.sound, m_context.speechEngine,
                                                m_context.messages};
    m_dialog = new SettingsDialog(dialogContext, values, voices, m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_dialog->setCommitter([this](const SettingsDialog::Values &edited) { return commit(edited); });
    connect(m_dialog, &QDialog::finished, this, [this] {
        // The test button may have changed the engine's voice.
        if (m_context.speechEngine && m_context.speech.voices().contains(m_context.settings.ComputerVoice))
            m_context.speechEngine->selectVoice(m_context.settings.ComputerVoice);
        m_context.applyView();
    });
    m_dialog->open();
}

bool SettingsCommands::commit(const SettingsDialog::Values &values)
{
    const int port = values.settings.LocalPort;
    const bool portChanged = port != m_shownPort && port != m_context.settings.LocalPort;
    // One atomic write; the file reports why it failed.
    const bool saved = m_context.config.write([&values](IniFile &ini, QString *error) {
        if (!Configuration::saveDialogSettings(ini, values.settings, values.masterServers, error))
            return false;
        HotKeys::save(ini, values.hotKeyCodes);
        return true;
    });
    if (!saved) {
        QString question = QStringLiteral("The settings could not be saved to \"%1\".\n")
                               .arg(QDir::toNativeSeparators(m_context.config.path()));
        if (portChanged)
            question += QStringLiteral("The new local port cannot take effect without being saved.\n");
        question += QStringLiteral("Use the settings until Quorvelin closes?\n"
                                   "Choose No to return to the settings.");
        if (!m_context.messages.confirm(question))
            return false;
    }
    takeOver(values);
    if (saved && portChanged)
        m_context.messages.showWarning(
            QStringLiteral("You have to restart the program for the local port changes to take effect."));
    return true;
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
    s.ComputerVoice = n.ComputerVoice;
    m_context.engine.setSleepTime(static_cast<quint32>(std::max(0, s.SleepTime)));
    // The switch first: a voice is taken only while speech is on, and it is
    // taken each time speech is on, also when its name did not change.
    m_context.speech.setActive(s.speechActive());
    m_context.speech.selectVoice(s.ComputerVoice);
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
    s.HistoryDays = n.HistoryDays;
    m_context.history.setHistoryDays(s.HistoryDays);
    QList<std::optional<int>> codes(values.hotKeyCodes.begin(), values.hotKeyCodes.end());
    applyHotKeys(codes);
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
    QList<int> wanted = hotKeyCodes();
    for (qsizetype n = 0; n < wanted.size() && n < codes.size(); ++n) {
        if (codes[n])
            wanted[n] = *codes[n];
    }
    // Two actions with one key both go dead under Qt.
    wanted = HotKeys::withoutClashes(wanted);
    const QList<HotKeys::Row> &rows = HotKeys::table();
    for (qsizetype n = 0; n < rows.size(); ++n) {
        const QKeySequence shortcut = wanted[n] == 0 ? QKeySequence() : QKeySequence(HotKeys::keyOf(wanted[n]));
        for (const QString &name : rows[n].actions) {
            for (QAction *action : actionsNamed(name))
                action->setShortcut(shortcut);
        }
    }
}
