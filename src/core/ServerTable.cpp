#include "ServerTable.h"

#include "DebugLog.h"
#include "StrToIntOrZero.h"
#include "TextCompare.h"
#include "platform/HostResolver.h"

namespace {

// Lower-cased first, as names of any script compare without regard to case.
int compareNames(const QString &a, const QString &b)
{
    return compareAsciiFolded(a.toLower(), b.toLower());
}

} // namespace

ServerTable::ServerTable(DebugLog &log, HostResolver &resolver, QObject *parent)
    : QAbstractListModel(parent)
    , m_log(log)
    , m_resolver(resolver)
{
}

ServerTable::~ServerTable() = default;

TUTServer *ServerTable::server(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_servers[static_cast<size_t>(slot)].get() : nullptr;
}

TServerListInfo *ServerTable::entry(int slot) const
{
    return slot >= 0 && slot < kSlotCount ? m_entries[static_cast<size_t>(slot)].get() : nullptr;
}

bool ServerTable::isFree(int slot) const
{
    return server(slot) == nullptr;
}

int ServerTable::slotAt(int position) const
{
    return position >= 0 && position < count() ? m_items[position].slot : -1;
}

bool ServerTable::isChecked(int position) const
{
    return position >= 0 && position < count() && m_items[position].checked;
}

void ServerTable::setChecked(int position, bool checked)
{
    if (position < 0 || position >= count() || m_items[position].checked == checked)
        return;
    m_items[position].checked = checked;
    const QModelIndex i = index(position);
    Q_EMIT dataChanged(i, i, {Qt::CheckStateRole});
}

quint64 ServerTable::itemIdAt(int position) const
{
    return position >= 0 && position < count() ? m_items[position].id : 0;
}

QList<quint64> ServerTable::itemIds() const
{
    QList<quint64> ids;
    ids.reserve(count());
    for (const Item &item : m_items)
        ids.append(item.id);
    return ids;
}

int ServerTable::positionOfItemId(quint64 id) const
{
    for (int k = 0; k < count(); ++k) {
        if (m_items[k].id == id)
            return k;
    }
    return -1;
}

int ServerTable::positionOfSlot(int slot) const
{
    for (int k = 0; k < count(); ++k) {
        if (m_items[k].slot == slot)
            return k;
    }
    return -1;
}

QString ServerTable::resolveHost(const QString &host) const
{
    return m_resolver.resolveIPv4(host);
}

int ServerTable::addServer(const QString &address, int queryPort, const QString &name)
{
    QString host = address;
    const QString resolved = resolveHost(address);
    if (resolved.isEmpty()) {
        m_log.log(QStringLiteral("error: resolved ") + address + QStringLiteral(" to nothing"));
    } else if (resolved != address) {
        m_log.log(QStringLiteral("resolved ") + address + QStringLiteral(" to ") + resolved
                  + QStringLiteral(" using the new one"));
        host = resolved;
    }

    int slot = 0;
    while (slot < kSlotCount && !isFree(slot))
        ++slot;
    if (slot == kSlotCount) {
        m_log.log(QStringLiteral("can not add more that 256 servers"));
        return kSlotCount;
    }

    const QString port = QString::number(queryPort);
    m_servers[static_cast<size_t>(slot)] = std::make_unique<TUTServer>(host, queryPort);
    auto info = std::make_unique<TServerListInfo>();
    info->Index = slot;
    info->Host = host;
    info->Port = port;
    info->Name = name.isEmpty() ? host + QLatin1Char(':') + port : name;
    m_entries[static_cast<size_t>(slot)] = std::move(info);

    beginInsertRows({}, count(), count());
    m_items.append(Item{slot, false, m_nextItemId++});
    endInsertRows();

    m_log.log(QStringLiteral("added a new server @ ") + QString::number(slot) + QStringLiteral(" with address ")
              + host + QLatin1Char(':') + port);
    return slot;
}

void ServerTable::removeAt(int position)
{
    const int slot = slotAt(position);
    if (slot < 0)
        return;
    beginRemoveRows({}, position, position);
    m_items.removeAt(position);
    m_entries[static_cast<size_t>(slot)].reset();
    m_servers[static_cast<size_t>(slot)].reset();
    endRemoveRows();
}

int ServerTable::slotForSender(const QString &address, int port) const
{
    int match = -1;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const TUTServer *s = server(slot);
        if (s && s->queryPort() == port && s->Host == address)
            match = slot;
    }
    return match;
}

int ServerTable::slotOfServer(const QString &address, int port) const
{
    const QString resolved = resolveHost(address);
    return slotForSender(resolved.isEmpty() ? address : resolved, port);
}

void ServerTable::syncListCounts(int slot)
{
    const TUTServer *s = server(slot);
    if (!s)
        return;
    for (int k = 0; k < count(); ++k) {
        TServerListInfo *info = entry(m_items[k].slot);
        if (info->Index != slot)
            continue;
        info->CurPlayers = s->NumPlayers;
        info->MaxPlayers = s->MaxPlayers;
        const QModelIndex i = index(k);
        Q_EMIT dataChanged(i, i, {CurPlayersRole, MaxPlayersRole});
    }
}

void ServerTable::setServerAddress(int slot, const QString &host, int queryPort, const QString &name)
{
    TUTServer *s = server(slot);
    TServerListInfo *info = entry(slot);
    if (!s || !info)
        return;
    s->Host = host;
    s->setQueryPort(queryPort);
    info->Host = host;
    info->Port = QString::number(queryPort);
    info->Name = name;
    const int position = positionOfSlot(slot);
    if (position >= 0)
        Q_EMIT dataChanged(index(position), index(position));
}

void ServerTable::setSortMode(int mode)
{
    m_serverListSort = mode;
    if (mode >= 0 && mode < SortModeCount)
        sortServerList(static_cast<SortMode>(mode));
}

bool ServerTable::comparatorSwaps(SortMode mode, int j, int i) const
{
    const TServerListInfo &ej = *entry(slotAt(j));
    const TServerListInfo &ei = *entry(slotAt(i));
    switch (mode) {
    case NameAscending:
        return compareNames(ej.Name, ei.Name) < 0;
    case NameDescending:
        return compareNames(ej.Name, ei.Name) > 0;
    case PlayersAscending:
        return strToIntOrZero(ej.CurPlayers) < strToIntOrZero(ei.CurPlayers);
    case PlayersDescending:
        return strToIntOrZero(ej.CurPlayers) > strToIntOrZero(ei.CurPlayers);
    case MaxPlayersAscending:
        return strToIntOrZero(ej.MaxPlayers) < strToIntOrZero(ei.MaxPlayers);
    case MaxPlayersDescending:
        return strToIntOrZero(ej.MaxPlayers) > strToIntOrZero(ei.MaxPlayers);
    case PingAscending: {
        const quint32 pi = server(ei.Index)->Ping;
        const quint32 pj = server(ej.Index)->Ping;
        return pi == 0 || (pj != 0 && pj < pi);
    }
    case PingDescending:
        return server(ej.Index)->Ping > server(ei.Index)->Ping;
    case SortModeCount:
        break;
    }
    return false;
}

void ServerTable::sortServerList(SortMode comparator)
{
    m_currentComparator = comparator;
    const int n = count();
    if (n < 2)
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    QList<quint64> persistentIds;
    persistentIds.reserve(persistent.size());
    for (const QModelIndex &i : persistent)
        persistentIds.append(itemIdAt(i.row()));

    for (int i = 0; i < n - 1; ++i) {
        for (int j = n - 1; j > i; --j) {
            if (comparatorSwaps(comparator, j, i))
                m_items.swapItemsAt(i, j);
        }
    }

    // Selections and other persistent indexes follow their server.
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (quint64 id : persistentIds)
        moved.append(index(positionOfItemId(id)));
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ServerTable::resort()
{
    if (m_currentComparator)
        sortServerList(*m_currentComparator);
}

int ServerTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant ServerTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Item &item = m_items[index.row()];
    const TServerListInfo &info = *entry(item.slot);
    switch (role) {
    case Qt::DisplayRole:
        return info.Name;
    case Qt::CheckStateRole:
        return item.checked ? Qt::Checked : Qt::Unchecked;
    case SlotRole:
        return item.slot;
    case CurPlayersRole:
        return info.CurPlayers;
    case MaxPlayersRole:
        return info.MaxPlayers;
    default:
        return {};
    }
}

bool ServerTable::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ServerTable::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}
