#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class MessageBoxes;
class ProcessLauncher;
class QAction;
class QWidget;
class ReportRun;
class ServerTable;
class UrlOpener;
struct Settings;

// The HTML pages of the servers: "Create HTML Page" for the selected server
// and the periodic pages of every checked server on tmr_GenerateHTML. A
// run that has not ended when the timer fires again is not doubled. The
// status bar names each page written; a page that cannot be written, or a
// missing template, is told in a box when the user asked for the page and
// in the status bar when the timer did.
class ReportCommands final : public QObject
{
    Q_OBJECT
public:
    struct Context
    {
        const ServerTable &table;
        MessageBoxes &messages;
        ProcessLauncher &processes;
        UrlOpener &urls;
        QString programDir;
        // The slot of the selected server, -1 for none.
        std::function<int()> selectedSlot;
    };

    ReportCommands(const Context &context, QWidget *window);
    ~ReportCommands() override;

    // Takes over the [HTML] settings; the timer follows enabled and interval.
    void applySettings(const Settings &settings);
    void createSelectedPage();
    // The window closes: no page more.
    void stop();

    QAction *createPageAction() const { return m_createPage; }
    ReportRun &run() const { return *m_run; }

private:
    void createCheckedPages();
    void showStatus(const QString &text);

    Context m_context;
    QWidget *m_window;
    ReportRun *m_run;
    QAction *m_createPage;
    QTimer m_timer{this};
    // True while the page the user asked for is written.
    bool m_onDemand = false;
};
