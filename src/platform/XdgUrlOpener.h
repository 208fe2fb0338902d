#pragma once

#include "ProcessLauncher.h"
#include "UrlOpener.h"

// Opens files and addresses through the desktop's "xdg-open" without
// loading the widget libraries, for the window-less modes.
class XdgUrlOpener final : public UrlOpener
{
public:
    explicit XdgUrlOpener(ProcessLauncher &processes)
        : m_processes(processes)
    {
    }

    bool open(const QUrl &url) override
    {
        return m_processes.startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
    }

private:
    ProcessLauncher &m_processes;
};
