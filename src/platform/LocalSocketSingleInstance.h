#pragma once

#include "SingleInstance.h"

#include <QString>

class QLocalServer;

class LocalSocketSingleInstance final : public SingleInstance
{
    Q_OBJECT
public:
    // The key names the profile: two profiles may run side by side.
    explicit LocalSocketSingleInstance(const QString &key, QObject *parent = nullptr);

    bool claim() override;
    bool activateRunning() override;

    static QString serverNameForKey(const QString &key);

private:
    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
