#pragma once

#include "ProcessLauncher.h"

#include <QProcess>

class QtProcessLauncher final : public ProcessLauncher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        return QProcess::startDetached(program, arguments, QString());
    }
};
