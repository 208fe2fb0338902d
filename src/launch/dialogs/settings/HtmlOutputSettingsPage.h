#pragma once

#include "SettingsPage.h"

class QLineEdit;

// "HTML output": the template, the file name format, the output directory,
// the command run after the output, and how often the pages are written.
class HtmlOutputSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit HtmlOutputSettingsPage(const SettingsPageContext &context);

private:
    void browseOutputDirectory();

    QLineEdit *m_outputDir = nullptr;
};
