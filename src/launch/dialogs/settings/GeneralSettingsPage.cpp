#include "GeneralSettingsPage.h"

#include "launch/GameLaunch.h"
#include "platform/FileDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <array>

namespace {

struct Switch
{
    const char *name;
    const char *caption;
    bool Settings::*field;
};

constexpr std::array<Switch, 4> kSwitches = {{
    {"cb_CheckVersionAtStartUp", "Check for new version at start-up", &Settings::CheckVersionAtStartUp},
    {"cb_RememberChecks", "Remember server list checks", &Settings::RememberServerCheck},
    {"cb_PromptOnRun", "Prompt on launch", &Settings::promptOnRun},
    {"cb_CloseOnJoin", "Close Quorvelin when joining a server", &Settings::CloseOnJoin},
}};

} // namespace

GeneralSettingsPage::GeneralSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_Miscelaneous", context)
{
    m_baseDir = newLineEdit("ed_UTBaseDir", QStringLiteral("Unreal Tournament base directory"));
    QPushButton *browse =
        newButton("btn_BrowseUTBaseDir", QStringLiteral("..."), QStringLiteral("Browse for the base directory"));
    auto *lastVersion = named(new QLabel(this), "lbl_LastVersionChecked", QStringLiteral("Last version checked"));
    lastVersion->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    QLineEdit *runParams = newLineEdit("ed_RunParams", QStringLiteral("Aditional run parameters"));
    QSpinBox *historyDays = newSpinBox("se_HistoryDays", QStringLiteral("Days of server history to keep"),
                                       Settings::kMinHistoryDays, Settings::kMaxHistoryDays);
    QList<QCheckBox *> switches;
    for (const Switch &control : kSwitches) {
        switches.append(newCheckBox(control.name, QString::fromLatin1(control.caption)));
        bind(switches.last(), control.field);
    }
    bind(m_baseDir, &Settings::UTBaseDir);
    const Loader showLastVersion = [lastVersion](const SettingsValues &values) {
        lastVersion->setText(QString::number(values.settings.LastVersionChecked));
    };
    bind(showLastVersion, {}); // shown, not edited: the version check sets it
    bind(runParams, &Settings::RunParams);
    bind(historyDays, &Settings::HistoryDays);
    hint({browse}, "ed_UTBaseDir");
    connect(browse, &QPushButton::clicked, this, &GeneralSettingsPage::browseBaseDirectory);

    auto *layout = new QVBoxLayout(this);
    addCaptioned(layout, {m_baseDir, browse});
    QLabel *lastVersionCaption = newCaption(lastVersion, QStringLiteral("Last version checked:"));
    hint({lastVersionCaption}, "lbl_LastVersionChecked");
    layout->addLayout(row({lastVersionCaption, lastVersion}, 1));
    addCaptioned(layout, {runParams});
    for (QCheckBox *box : switches)
        layout->addWidget(box);
    auto *historyRow = new QHBoxLayout;
    historyRow->addWidget(newCaption(historyDays));
    historyRow->addWidget(historyDays);
    historyRow->addStretch();
    layout->addLayout(historyRow);
    layout->addStretch();
}

bool GeneralSettingsPage::isGameBaseDirectory(const QString &directory)
{
    const QString executable = GameLaunch::findExecutable(directory);
    return !executable.isEmpty() && QFileInfo(executable).isFile();
}

void GeneralSettingsPage::browseBaseDirectory()
{
    const QString chosen = context().files.chooseDirectory(
        QStringLiteral("Select the base directory of Unreal Tournament"), m_baseDir->text(), &isGameBaseDirectory);
    if (!chosen.isEmpty() && isGameBaseDirectory(chosen))
        m_baseDir->setText(QDir::cleanPath(chosen));
}
