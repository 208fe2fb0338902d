#pragma once

#include <QString>
#include <QStringList>

// Starts a program on its own, without a shell: the arguments reach it as given.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;
    // False when it could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};
