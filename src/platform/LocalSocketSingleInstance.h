#pragma once

#include "SingleInstance.h"

#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// One running program per profile directory: the first start takes a lock
// file in the directory and listens on a local socket; a later start finds
// the lock taken and asks the first, through the socket, to come to the front.
class LocalSocketSingleInstance final : public SingleInstance
{
    Q_OBJECT
public:
    // Two profiles may run side by side.
    explicit LocalSocketSingleInstance(const QString &profileDirectory, QObject *parent = nullptr);
    ~LocalSocketSingleInstance() override;

    // How long a later start keeps trying to reach a first one that is still starting.
    static constexpr int kHandOverMs = 3000;

    bool claim() override;
    bool activateRunning() override;

    static QString serverNameForKey(const QString &key);

private:
    bool listen();

    QString m_profileDirectory;
    std::unique_ptr<QLockFile> m_lock;
    QString m_serverName;
    QLocalServer *m_server = nullptr;
};
