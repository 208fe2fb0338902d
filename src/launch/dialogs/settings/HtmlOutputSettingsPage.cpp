#include "HtmlOutputSettingsPage.h"

#include "platform/FileDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kMillisecondsPerMinute = 60000;

} // namespace

HtmlOutputSettingsPage::HtmlOutputSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_HTMLOutput", context)
{
    QLineEdit *htmlTemplate = newLineEdit("ed_HtmlTemplate", QStringLiteral("HTML Template"), true);
    QPushButton *browseTemplate =
        newButton("btn_BrowseHtmlTemplate", QStringLiteral("..."), QStringLiteral("Browse for the template"));
    QLineEdit *output = newLineEdit("ed_HtmlOutput", QStringLiteral("Filename format"));
    m_outputDir = newLineEdit("ed_HtmlOutputDir", QStringLiteral("Output file location"), true);
    QPushButton *browseDir =
        newButton("btn_BrowseHtmlOutputDir", QStringLiteral("..."), QStringLiteral("Browse for the output directory"));
    QLineEdit *command = newLineEdit("ed_HtmlCommand", QStringLiteral("Command to execute after output"));
    QCheckBox *enabled = newCheckBox("cb_HtmlEnabled", QStringLiteral("Create HTML files every"));
    QSpinBox *interval = newSpinBox("se_HtmlInterval", QStringLiteral("Minutes between HTML files"), 0, 60);
    bind(htmlTemplate, &Settings::HtmlTemplate);
    bind(output, &Settings::HtmlOutput);
    bind(m_outputDir, &Settings::HtmlOutputDir);
    bind(command, &Settings::HtmlCommand);
    bind(enabled, &Settings::HtmlEnabled);
    bind(
        [interval](const SettingsValues &values) {
            interval->setValue(values.settings.HtmlInterval / kMillisecondsPerMinute);
        },
        [interval](SettingsValues &values) {
            values.settings.HtmlInterval = interval->value() * kMillisecondsPerMinute;
        });
    hint({browseTemplate}, "ed_HtmlTemplate");
    hint({browseDir}, "ed_HtmlOutputDir");
    connect(browseTemplate, &QPushButton::clicked, this, [this, htmlTemplate] {
        browseFile(htmlTemplate, QStringLiteral("Select template file"),
                   QStringLiteral("HTML files (*.html *.htm);;All files (*.*)"));
    });
    connect(browseDir, &QPushButton::clicked, this, &HtmlOutputSettingsPage::browseOutputDirectory);

    auto *layout = new QVBoxLayout(this);
    addCaptioned(layout, {htmlTemplate, browseTemplate});
    addCaptioned(layout, {output});
    addCaptioned(layout, {m_outputDir, browseDir});
    addCaptioned(layout, {command});
    auto *minutes = new QLabel(QStringLiteral("minute(s)"), this);
    auto *timer = row({enabled, interval, minutes}, 3);
    timer->addStretch();
    layout->addLayout(timer);
    layout->addStretch();
}

void HtmlOutputSettingsPage::browseOutputDirectory()
{
    QString chosen = context().files.chooseDirectory(
        QStringLiteral("Select the directory where the HTML should be placed"), m_outputDir->text());
    if (chosen.isEmpty())
        return;
    chosen = QDir::cleanPath(chosen);
    if (!chosen.endsWith(QLatin1Char('/')))
        chosen += QLatin1Char('/');
    m_outputDir->setText(chosen);
}
