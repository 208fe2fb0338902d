#pragma once

#include "core/ServerAddress.h"

#include <QList>
#include <QObject>
#include <QSet>

class ConfigFile;
class ListStore;
class PacedWalk;
struct QueryStack;

// What the first showing of the main window does: loads the stored server
// list, adds the servers named on the command line, queries every server
// once with the pause after each, then restores the check marks. A server of
// the command line that has no name but its address is told to take the one
// it reports first.
class StartUpSequence final : public QObject
{
    Q_OBJECT
public:
    StartUpSequence(QueryStack &stack, ConfigFile &config, ListStore &lists, bool rememberChecks,
                    QObject *parent = nullptr);

    // Servers to add (unless the list holds them) and check.
    void setStartServers(const QList<ServerAddress> &servers) { m_startServers = servers; }

    void start();
    // Ends the sequence where it is; finished is not told.
    void cancel();

Q_SIGNALS:
    // A progress line for the splash window.
    void progress(const QString &text);
    // Every server was asked and the check marks are restored.
    void finished();
    // A server of the command line, still named by its address, reported a name.
    void nameReported(int slot);

private:
    void loadServerList();
    void noteReply(int slot);

    QueryStack &m_stack;
    ConfigFile &m_config;
    ListStore &m_lists;
    bool m_rememberChecks;
    QList<ServerAddress> m_startServers;
    QSet<quint64> m_unnamed; // list items of the command line waiting for a reported name
    QMetaObject::Connection m_replies;
    PacedWalk *m_walk;
};
