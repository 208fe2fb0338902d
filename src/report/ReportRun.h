#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

class PacedWalk;
class ProcessLauncher;
class ServerTable;
class UrlOpener;

// Writes HTML pages about servers and then runs the user's command. A run
// over the checked servers goes down the server list in its order, one page
// per checked server with a pause after each, so replies keep arriving
// meanwhile; runs do not overlap. The template is read afresh for every
// page. A missing template writes no page (missingTemplateMessage() says
// so before a run); a page that cannot be written is skipped with
// pageNotWritten(). A page is never written through a symbolic link, so a
// link named like a page cannot lead it out of the output directory. A
// value that is no whole number, or a template that cannot be read, ends
// the run with failed() and without the command.
class ReportRun final : public QObject
{
    Q_OBJECT
public:
    static constexpr quint32 kPauseMs = 500;

    struct Context
    {
        const ServerTable &table;
        ProcessLauncher &processes;
        UrlOpener &urls;
        std::function<QDateTime()> now;
        QString programDir;
    };

    explicit ReportRun(Context context, QObject *parent = nullptr);
    ~ReportRun() override;

    void setSettings(const QString &templatePath, const QString &outputFormat, const QString &outputDir,
                     const QString &command);
    void setPauseMs(quint32 pauseMs) { m_pauseMs = pauseMs; }

    // One page per checked server, the first at once, then the command;
    // false, and nothing done, while a run is under way.
    bool runChecked();
    // The page of the server in the slot, then the command, at once.
    void runOne(int slot);
    // Ends a run without the command or a signal.
    void cancel();
    bool isRunning() const;
    // Why no page can be written for want of a template, naming the setting
    // to change; empty when the template file exists.
    QString missingTemplateMessage() const;

Q_SIGNALS:
    void pageWritten(const QString &path);
    // A page was skipped; the message names it and says why.
    void pageNotWritten(const QString &message);
    // The run ended with this message; the command was not run.
    void failed(const QString &message);
    // The run ended and the command, if any, was run.
    void finished(int pagesWritten);

private:
    enum class Outcome { Written, Skipped, Failed };
    Outcome writePage(int slot, QString *error);
    void walkFinished(bool completed);
    void runCommand();

    Context m_context;
    PacedWalk *m_walk;
    QString m_templatePath;
    QString m_outputFormat;
    QString m_outputDir;
    QString m_command;
    quint32 m_pauseMs = kPauseMs;
    int m_pages = 0;
};
