#pragma once

#include "core/ConsoleQuery.h"

#include <QObject>
#include <QString>

#include <memory>

class DatagramSocket;
class IniFile;
class ProcessLauncher;
class ReportRun;
class UrlOpener;
struct Settings;

// The window-less report: queries the checked servers of a profile once,
// writes one page per server from the profile's HTML settings (whether or
// not the periodic pages are switched on), runs the command and ends.
class ConsoleReport final : public QObject
{
    Q_OBJECT
public:
    // How long replies are waited for after the last server was asked.
    static constexpr int kReplyWaitMs = 2000;

    struct Context
    {
        DatagramSocket &socket;
        PlatformServices services;
        ProcessLauncher &processes;
        UrlOpener &urls;
        QString programDir;
    };

    ConsoleReport(const Context &context, QObject *parent = nullptr);
    ~ConsoleReport() override;

    // Starts the run from the profile's file and settings; finished tells
    // the exit code: 0 every checked server replied and every page was
    // written, 2 some did not reply (their pages are written from what is
    // known) or a page could not be written, 1 no template, no checked
    // server or no socket. Each reason goes to err.
    void start(const IniFile &profile, const Settings &settings, QIODevice &err);

Q_SIGNALS:
    void finished(int exitCode);

private:
    void queried(int exitCode);
    void end(int exitCode);

    Context m_context;
    std::unique_ptr<ConsoleQuery> m_query;
    ReportRun *m_run = nullptr;
    QIODevice *m_err = nullptr;
    int m_queryExit = ConsoleQuery::AllReplied;
    bool m_pageSkipped = false;
};
