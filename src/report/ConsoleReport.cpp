#include "ConsoleReport.h"

#include "ReportRun.h"
#include "config/IniFile.h"
#include "config/Settings.h"
#include "config/StoredServers.h"
#include "core/ServerTable.h"

#include <QFileInfo>
#include <QIODevice>

#include <algorithm>

ConsoleReport::ConsoleReport(const Context &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
}

ConsoleReport::~ConsoleReport() = default;

void ConsoleReport::start(const IniFile &profile, const Settings &settings, QIODevice &err)
{
    m_err = &err;
    if (settings.HtmlTemplate.isEmpty() || !QFileInfo(settings.HtmlTemplate).isFile()) {
        err.write(QStringLiteral("quorvelin: no report template: set \"template\" in section [HTML] of %1\n")
                      .arg(profile.path())
                      .toUtf8());
        end(ConsoleQuery::CannotRun);
        return;
    }
    // The checked servers, as the window restores its check marks.
    const QList<StoredServers::Entry> stored = StoredServers::loadServerList(profile);
    ConsoleQuery::Options options;
    for (int position : StoredServers::restoreServerChecks(profile)) {
        if (position >= 0 && position < stored.size())
            options.targets.append({stored[position].address, stored[position].port});
    }
    if (options.targets.isEmpty()) {
        err.write(QStringLiteral("quorvelin: no checked server to report in %1: tick servers in the window with "
                                 "\"Remember server list checks\" (Program options, Miscelaneous) switched on; "
                                 "the window keeps them as ServerListChecks in section [general]\n")
                      .arg(profile.path())
                      .toUtf8());
        end(ConsoleQuery::CannotRun);
        return;
    }
    // As long as the command-line query waits after its last server.
    options.timeoutMs = kReplyWaitMs;
    m_query = std::make_unique<ConsoleQuery>(options, m_context.socket, m_context.services);
    connect(m_query.get(), &ConsoleQuery::finished, this, &ConsoleReport::queried, Qt::QueuedConnection);

    m_run = new ReportRun({m_query->table(), m_context.processes, m_context.urls,
                           [] { return QDateTime::currentDateTime(); }, m_context.programDir},
                          this);
    m_run->setSettings(settings.HtmlTemplate, settings.HtmlOutput, settings.HtmlOutputDir, settings.HtmlCommand);
    m_run->setPauseMs(0);
    connect(m_run, &ReportRun::failed, this, [this](const QString &message) {
        m_err->write(QStringLiteral("quorvelin: %1\n").arg(message).toUtf8());
        end(ConsoleQuery::CannotRun);
    });
    connect(m_run, &ReportRun::pageNotWritten, this, [this](const QString &message) {
        m_err->write(QStringLiteral("quorvelin: %1\n").arg(message).toUtf8());
        m_pageSkipped = true;
    });
    connect(m_run, &ReportRun::finished, this, [this] { end(m_pageSkipped ? ConsoleQuery::SomeSilent : m_queryExit); });
    m_query->start(err, static_cast<quint32>(std::max(0, settings.SleepTime)));
}

void ConsoleReport::queried(int exitCode)
{
    if (exitCode == ConsoleQuery::CannotRun) {
        end(exitCode);
        return;
    }
    m_queryExit = exitCode;
    // Every server of the query is one of the checked ones.
    ServerTable &table = m_query->table();
    for (int position = 0; position < table.count(); ++position)
        table.setChecked(position, true);
    if (!m_run->runChecked())
        end(ConsoleQuery::CannotRun);
}

void ConsoleReport::end(int exitCode)
{
    if (m_run)
        m_run->disconnect(this);
    Q_EMIT finished(exitCode);
}
