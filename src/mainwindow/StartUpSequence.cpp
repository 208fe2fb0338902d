#include "StartUpSequence.h"

#include "config/ConfigFile.h"
#include "config/ListStore.h"
#include "config/StoredServers.h"
#include "core/PacedWalk.h"
#include "core/QueryStack.h"
#include "viewlogic/ServerInfoRows.h"

namespace {

// The name a server added without one has.
bool namedByAddress(const TServerListInfo &entry)
{
    return entry.Name == entry.Host + QLatin1Char(':') + entry.Port;
}

} // namespace

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
        if (namedByAddress(*table.entry(table.slotAt(position))))
            m_unnamed.insert(table.itemIdAt(position));
    }
    if (added)
        m_lists.storeServerList(true);
    if (!m_unnamed.isEmpty())
        m_replies = connect(&m_stack.engine, &QueryEngine::replyDecoded, this, &StartUpSequence::noteReply);
}

void StartUpSequence::noteReply(int slot)
{
    const ServerTable &table = m_stack.table;
    const int position = table.positionOfSlot(slot);
    const quint64 item = position < 0 ? 0 : table.itemIdAt(position);
    if (position < 0 || !m_unnamed.contains(item))
        return;
    // A name given meanwhile stays; a reply without a name keeps the wait.
    if (namedByAddress(*table.entry(slot))) {
        if (ServerInfoRows::reportedName(*table.server(slot)).isEmpty())
            return;
        Q_EMIT nameReported(slot);
    }
    m_unnamed.remove(item);
    if (m_unnamed.isEmpty())
        disconnect(m_replies);
}
