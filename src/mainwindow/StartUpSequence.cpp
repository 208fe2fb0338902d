#include "StartUpSequence.h"

#include "config/ConfigFile.h"
#include "config/ListStore.h"
#include "config/StoredServers.h"
#include "core/PacedWalk.h"
#include "core/QueryStack.h"

StartUpSequence::StartUpSequence(QueryStack &stack, ConfigFile &config, ListStore &lists, bool rememberChecks,
                                 QObject *parent)
    : QObject(parent)
    , m_stack(stack)
    , m_config(config)
    , m_lists(lists)
    , m_rememberChecks(rememberChecks)
    , m_walk(stack.engine.createQueryWalk(this))
{
    connect(m_walk, &PacedWalk::stepping, this, [this](int n, int total) {
        Q_EMIT progress(QStringLiteral("Quering servers : %1%").arg(n * 100 / total));
    });
    connect(m_walk, &PacedWalk::finished, this, [this] {
        m_lists.finishStartUp(m_rememberChecks);
        Q_EMIT finished();
    });
}

void StartUpSequence::start()
{
    loadServerList();
    m_walk->startOverList(m_stack.engine.sleepTime());
}

void StartUpSequence::cancel()
{
    m_walk->cancel();
}

void StartUpSequence::loadServerList()
{
    ServerTable &table = m_stack.table;
    for (const StoredServers::Entry &stored : StoredServers::loadServerList(m_config.read())) {
        if (table.addServer(stored.address, stored.port, stored.name) >= ServerTable::kSlotCount)
            break;
    }
    m_lists.noteLoadedList();
    // Servers named on the command line join the list, checked, unless it holds them.
    bool added = false;
    for (const ServerAddress &start : std::as_const(m_startServers)) {
        int position = table.positionOfSlot(table.slotOfServer(start.address, start.port));
        if (position < 0) {
            const int slot = table.addServer(start.address, start.port, QString());
            if (slot >= ServerTable::kSlotCount)
                break;
            position = table.positionOfSlot(slot);
            added = true;
        }
        table.setChecked(position, true);
    }
    if (added)
        m_lists.storeServerList(true);
}
