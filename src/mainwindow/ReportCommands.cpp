#include "ReportCommands.h"

#include "config/Settings.h"
#include "platform/MessageBoxes.h"
#include "report/ReportRun.h"

#include <QAction>
#include <QDateTime>
#include <QWidget>

ReportCommands::ReportCommands(const Context &context, QWidget *window)
    : QObject(window)
    , m_context(context)
    , m_run(new ReportRun({context.table, context.processes, context.urls,
                           [] { return QDateTime::currentDateTime(); }, context.programDir},
                          this))
    , m_createPage(new QAction(QStringLiteral("Create HTML Page"), window))
{
    m_createPage->setObjectName(QStringLiteral("mi_CreateHTMLPage"));
    m_createPage->setStatusTip(QStringLiteral("Create the HTML page of the selected server"));
    connect(m_createPage, &QAction::triggered, this, &ReportCommands::createSelectedPage);
    m_timer.setObjectName(QStringLiteral("tmr_GenerateHTML"));
    connect(&m_timer, &QTimer::timeout, m_run, &ReportRun::runChecked);
    connect(m_run, &ReportRun::failed, this, [this](const QString &message) { m_context.messages.showError(message); });
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
    if (slot >= 0)
        m_run->runOne(slot);
}

void ReportCommands::stop()
{
    m_timer.stop();
    m_run->cancel();
}
