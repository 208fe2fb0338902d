#include "ReportRun.h"

#include "HtmlReport.h"

#include "core/PacedWalk.h"
#include "core/ServerTable.h"
#include "platform/AtomicFile.h"
#include "platform/ProcessLauncher.h"
#include "platform/UrlOpener.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The first folder between the output directory and the page that is a
// symbolic link; empty when there is none. The page's own name is left to
// the writer, which refuses a link there without a gap between look and write.
QString linkedDirectory(const QString &outputDir, const QString &fileName)
{
    QString folder = outputDir;
    const QStringList parts = fileName.split(QLatin1Char('/'));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].isEmpty())
            continue;
        folder += parts[i];
        if (QFileInfo(folder).isSymLink())
            return folder;
        folder += QLatin1Char('/');
    }
    return {};
}

} // namespace

ReportRun::ReportRun(Context context, QObject *parent)
    : QObject(parent)
    , m_context(std::move(context))
{
    if (!m_context.programDir.isEmpty() && !m_context.programDir.endsWith(QLatin1Char('/')))
        m_context.programDir += QLatin1Char('/');
    m_walk = new PacedWalk(
        m_context.table,
        [this](int slot, int position) {
            if (!m_context.table.isChecked(position))
                return PacedWalk::Step::Skipped;
            QString error;
            const Outcome outcome = writePage(slot, &error);
            if (outcome == Outcome::Failed) {
                Q_EMIT failed(error);
                return PacedWalk::Step::Stopped;
            }
            if (outcome == Outcome::Written)
                ++m_pages;
            return PacedWalk::Step::Paused;
        },
        this);
    connect(m_walk, &PacedWalk::finished, this, &ReportRun::walkFinished);
}

ReportRun::~ReportRun() = default;

void ReportRun::setSettings(const QString &templatePath, const QString &outputFormat, const QString &outputDir,
                            const QString &command)
{
    m_templatePath = templatePath;
    m_outputFormat = outputFormat;
    m_outputDir = outputDir;
    m_command = command;
}

bool ReportRun::runChecked()
{
    if (m_walk->isRunning())
        return false;
    m_pages = 0;
    return m_walk->startOverList(m_pauseMs);
}

void ReportRun::runOne(int slot)
{
    if (!m_context.table.server(slot))
        return;
    int pages = 0;
    QString error;
    switch (writePage(slot, &error)) {
    case Outcome::Failed: Q_EMIT failed(error); return;
    case Outcome::Written: pages = 1; break;
    case Outcome::Skipped: break;
    }
    runCommand();
    Q_EMIT finished(pages);
}

void ReportRun::cancel()
{
    m_walk->cancel();
}

bool ReportRun::isRunning() const
{
    return m_walk->isRunning();
}

QString ReportRun::missingTemplateMessage() const
{
    const QString where = QStringLiteral("Choose one as \"HTML Template\" on the \"HTML output\" page of the program "
                                         "options; until then no HTML page is written.");
    if (m_templatePath.isEmpty())
        return QStringLiteral("No HTML template is set. ") + where;
    if (!QFileInfo(m_templatePath).isFile())
        return QStringLiteral("The HTML template \"%1\" does not exist. ").arg(m_templatePath) + where;
    return {};
}

ReportRun::Outcome ReportRun::writePage(int slot, QString *error)
{
    const TUTServer *server = m_context.table.server(slot);
    if (!server || !QFileInfo(m_templatePath).isFile())
        return Outcome::Skipped;
    QFile file(m_templatePath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open file \"%1\". %2").arg(m_templatePath, file.errorString());
        return Outcome::Failed;
    }
    const QByteArray templateBytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read file \"%1\". %2").arg(m_templatePath, file.errorString());
        return Outcome::Failed;
    }
    const std::optional<QByteArray> page = Report::generatePage(templateBytes, *server, m_context.now(), error);
    if (!page)
        return Outcome::Failed;
    const QString fileName = Report::outputFileName(*server, m_outputFormat);
    const std::optional<QString> path = Report::outputPath(m_outputDir, fileName);
    QString writeError;
    if (!path) {
        writeError = QStringLiteral("Cannot write the HTML page \"%1\": it is no file inside the output "
                                    "directory \"%2\"")
                         .arg(fileName, m_outputDir);
    } else if (const QString link = linkedDirectory(m_outputDir, fileName); !link.isEmpty()) {
        writeError = QStringLiteral("Cannot write %1: %2 is a symbolic link").arg(*path, link);
    } else if (replaceFileAtomically(*path, *page, &writeError, LinkPolicy::Refuse)) {
        Q_EMIT pageWritten(*path);
        return Outcome::Written;
    }
    Q_EMIT pageNotWritten(writeError);
    return Outcome::Skipped;
}

void ReportRun::walkFinished(bool completed)
{
    if (!completed)
        return;
    runCommand();
    Q_EMIT finished(m_pages);
}

void ReportRun::runCommand()
{
    if (m_command.isEmpty())
        return;
    const Report::CommandAction action =
        Report::commandAction(Report::commandText(m_command, m_outputDir, m_context.programDir));
    switch (action.kind) {
    case Report::CommandAction::Kind::Start: m_context.processes.startDetached(action.program, {}); break;
    case Report::CommandAction::Kind::Open: m_context.urls.open(action.url); break;
    case Report::CommandAction::Kind::Nothing: break;
    }
}
