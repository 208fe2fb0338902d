#include "ReportCommands.h"

#include "config/Settings.h"
#include "platform/MessageBoxes.h"
#include "report/ReportRun.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QStatusTipEvent>
#include <QWidget>

ReportCommands::ReportCommands(const Context &context, QWidget *window)
    : QObject(window)
    , m_context(context)
    , m_window(window)
    , m_run(new ReportRun({context.table, context.processes, context.urls, [] { return QDateTime::currentDateTime(); },
                           context.programDir},
                          this))
    , m_createPage(new QAction(QStringLiteral("Create HTML Page"), window))
{
    m_createPage->setObjectName(QStringLiteral("mi_CreateHTMLPage"));
    m_createPage->setStatusTip(QStringLiteral("Create the HTML page of the selected server"));
    connect(m_createPage, &QAction::triggered, this, &ReportCommands::createSelectedPage);
    m_timer.setObjectName(QStringLiteral("tmr_GenerateHTML"));
    connect(&m_timer, &QTimer::timeout, this, &ReportCommands::createCheckedPages);
    connect(m_run, &ReportRun::failed, this, [this](const QString &message) { m_context.messages.showError(message); });
    connect(m_run, &ReportRun::pageWritten, this,
            [this](const QString &path) { showStatus(QStringLiteral("HTML page written to %1").arg(path)); });
    connect(m_run, &ReportRun::pageNotWritten, this, [this](const QString &message) {
        if (m_onDemand)
            m_context.messages.showWarning(message);
        else
            showStatus(message);
    });
}

ReportCommands::~ReportCommands() = default;

void ReportCommands::applySettings(const Settings &settings)
{
    m_run->setSettings(settings.HtmlTemplate, settings.HtmlOutput, settings.HtmlOutputDir, settings.HtmlCommand);
    // An interval of 0 keeps the timer switched on without ever firing.
    if (settings.HtmlEnabled && settings.HtmlInterval > 0)
        m_timer.start(settings.HtmlInterval);
    else
        m_timer.stop();
}

void ReportCommands::createSelectedPage()
{
    const int slot = m_context.selectedSlot();
    if (slot < 0) {
        showStatus(QStringLiteral("Select a server to create its HTML page"));
        return;
    }
    const QString missing = m_run->missingTemplateMessage();
    if (!missing.isEmpty())
        m_context.messages.showWarning(missing);
    // The command runs also without a template.
    m_onDemand = true;
    m_run->runOne(slot);
    m_onDemand = false;
}

void ReportCommands::createCheckedPages()
{
    if (m_run->isRunning())
        return;
    const QString missing = m_run->missingTemplateMessage();
    if (!missing.isEmpty())
        showStatus(missing);
    m_run->runChecked();
}

void ReportCommands::showStatus(const QString &text)
{
    // The window shows status texts in its hint panel.
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(m_window, &tip);
}

void ReportCommands::stop()
{
    m_timer.stop();
    m_run->cancel();
}
