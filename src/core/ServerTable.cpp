#include "ServerTable.h"

#include "DebugLog.h"
#include "DottedAddress.h"
#include "StrToIntOrZero.h"
#include "TextCompare.h"
#include "platform/HostResolver.h"
#include "platform/TickClock.h"
#include "ServerHealth.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace {

// Ranks of the names, lower-cased first so that names of any script compare
// without regard to case: equal names share a rank.
QList<qint64> nameRanks(const QList<QString> &names)
{
    QList<QString> folded;
    folded.reserve(names.size());
    for (const QString &name : names)
        folded.append(name.toLower());
    QList<qsizetype> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](qsizetype a, qsizetype b) { return compareAsciiFolded(folded[a], folded[b]) < 0; });
    QList<qint64> ranks(names.size());
    qint64 rank = 0;
    for (qsizetype k = 0; k < order.size(); ++k) {
        if (k > 0 && compareAsciiFolded(folded[order[k - 1]], folded[order[k]]) != 0)
            ++rank;
        ranks[order[k]] = rank;
    }
    return ranks;
}

// True when, by the comparator, the entry whose key is kj (further down the
// list) must come before the one whose key is ki.
bool swaps(ServerTable::SortMode mode, qint64 kj, qint64 ki)
{
    switch (mode) {
    case ServerTable::NameAscending:
    case ServerTable::PlayersAscending:
    case ServerTable::MaxPlayersAscending: return kj < ki;
    case ServerTable::NameDescending:
    case ServerTable::PlayersDescending:
    case ServerTable::MaxPlayersDescending:
    case ServerTable::PingDescending: return kj > ki;
    case ServerTable::PingAscending:
        // A server that never answered (ping 0) goes to the end.
        return ki == 0 || (kj != 0 && kj < ki);
    case ServerTable::SortModeCount: break;
    }
    return false;
}

} // namespace

ServerTable::ServerTable(DebugLog &log, HostResolver &resolver, QObject *parent)
    : QAbstractListModel(parent)
    , m_log(log)
    , m_resolver(resolver)
{
    connect(&m_resolver, &HostResolver::resolved, this, &ServerTable::nameResolved);
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

QString ServerTable::knownAddress(const QString &text) const
{
    // Replies name their sender as "10.0.0.1", never as "010.000.000.001".
    return m_resolvedNames.value(text, DottedAddress::canonical(text));
}

ServerTable::AddressState ServerTable::addressState(int slot) const
{
    return isFree(slot) ? AddressState::Known : m_addressStates[static_cast<size_t>(slot)];
}

void ServerTable::lookUpAgain(int slot)
{
    if (addressState(slot) != AddressState::Failed)
        return;
    m_addressStates[static_cast<size_t>(slot)] = AddressState::LookingUp;
    startLookUp(server(slot)->Host);
}

void ServerTable::startLookUp(const QString &name)
{
    if (m_namesLookedUp.contains(name))
        return;
    m_namesLookedUp.insert(name);
    // Digits and dots that are no dotted address ("1.2.3") are not handed to
    // the name service, which would read them as some other address.
    if (DottedAddress::looksNumeric(name)) {
        QMetaObject::invokeMethod(
            this, [this, name] { nameResolved(name, QString()); }, Qt::QueuedConnection);
        return;
    }
    m_resolver.lookUp(name);
}

void ServerTable::nameResolved(const QString &name, const QString &ipv4)
{
    m_namesLookedUp.remove(name);
    if (!ipv4.isEmpty())
        m_resolvedNames.insert(name, ipv4);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        TUTServer *s = server(slot);
        if (!s || m_addressStates[static_cast<size_t>(slot)] != AddressState::LookingUp || s->Host != name)
            continue;
        if (ipv4.isEmpty()) {
            m_log.log(QStringLiteral("error: resolved ") + name + QStringLiteral(" to nothing"));
            m_addressStates[static_cast<size_t>(slot)] = AddressState::Failed;
            Q_EMIT addressFailed(slot);
            continue;
        }
        m_log.log(QStringLiteral("resolved ") + name + QStringLiteral(" to ") + ipv4
                  + QStringLiteral(" using the new one"));
        // A server added without a name is named by its address.
        const QString defaultName = name + QLatin1Char(':') + entry(slot)->Port;
        const QString display =
            entry(slot)->Name == defaultName ? ipv4 + QLatin1Char(':') + entry(slot)->Port : entry(slot)->Name;
        setServerAddress(slot, ipv4, s->queryPort(), display);
        Q_EMIT addressResolved(slot);
    }
}

int ServerTable::addServer(const QString &address, int queryPort, const QString &name)
{
    const QString host = knownAddress(address);
    if (host != address)
        m_log.log(QStringLiteral("resolved ") + address + QStringLiteral(" to ") + host
                  + QStringLiteral(" using the new one"));

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
    m_health[static_cast<size_t>(slot)] = ServerHealth();

    const bool isName = !DottedAddress::isUnset(host) && !DottedAddress::parse(host).ok;
    m_addressStates[static_cast<size_t>(slot)] = isName ? AddressState::LookingUp : AddressState::Known;

    beginInsertRows({}, count(), count());
    m_items.append(Item{slot, false, m_nextItemId++});
    endInsertRows();

    m_log.log(QStringLiteral("added a new server @ ") + QString::number(slot) + QStringLiteral(" with address ") + host
              + QLatin1Char(':') + port);
    if (isName)
        startLookUp(host);
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
    return slotForSender(knownAddress(address), port);
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

quint32 ServerTable::now() const
{
    return m_clock ? m_clock->tickCount() : 0;
}

template<typename Change>
void ServerTable::changeHealth(int slot, Change change)
{
    if (isFree(slot))
        return;
    ServerHealth &health = m_health[static_cast<size_t>(slot)];
    const auto shown = [&] { return std::tuple(health.isStale(), health.isPartial(), health.lacks()); };
    const auto before = shown();
    change(health);
    const int position = positionOfSlot(slot);
    if (shown() != before && position >= 0) {
        const QModelIndex i = index(position);
        Q_EMIT dataChanged(i, i, {StaleRole, PartialRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    }
}

void ServerTable::noteAsked(int slot)
{
    changeHealth(slot, [this](ServerHealth &health) { health.asked(now()); });
}

void ServerTable::noteReply(int slot, const QByteArray &datagram)
{
    changeHealth(slot, [&](ServerHealth &health) { health.replied(datagram, now()); });
}

void ServerTable::setServerAddress(int slot, const QString &host, int queryPort, const QString &name)
{
    TUTServer *s = server(slot);
    TServerListInfo *info = entry(slot);
    if (!s || !info)
        return;
    m_addressStates[static_cast<size_t>(slot)] = AddressState::Known;
    // Another server now: what the old one answered says nothing of it.
    if (s->Host != host || s->queryPort() != queryPort)
        m_health[static_cast<size_t>(slot)] = ServerHealth();
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

QList<qint64> ServerTable::sortKeys(SortMode mode) const
{
    QList<qint64> keys;
    keys.reserve(count());
    if (mode == NameAscending || mode == NameDescending) {
        QList<QString> names;
        names.reserve(count());
        for (const Item &item : m_items)
            names.append(entry(item.slot)->Name);
        return nameRanks(names);
    }
    for (const Item &item : m_items) {
        const TServerListInfo &e = *entry(item.slot);
        switch (mode) {
        case PlayersAscending:
        case PlayersDescending: keys.append(strToIntOrZero(e.CurPlayers)); break;
        case MaxPlayersAscending:
        case MaxPlayersDescending: keys.append(strToIntOrZero(e.MaxPlayers)); break;
        default: keys.append(server(item.slot)->Ping); break;
        }
    }
    return keys;
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

    // The exchange sort the list has always used, equal keys never exchanged;
    // its keys are taken once per sort, so long names cost nothing per comparison.
    QList<qint64> keys = sortKeys(comparator);
    for (int i = 0; i < n - 1; ++i) {
        for (int j = n - 1; j > i; --j) {
            if (swaps(comparator, keys[j], keys[i])) {
                m_items.swapItemsAt(i, j);
                keys.swapItemsAt(i, j);
            }
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
    case Qt::DisplayRole: return info.Name;
    case Qt::CheckStateRole: return item.checked ? Qt::Checked : Qt::Unchecked;
    case SlotRole: return item.slot;
    case CurPlayersRole: return info.CurPlayers;
    case MaxPlayersRole: return info.MaxPlayers;
    case StaleRole: return m_health[static_cast<size_t>(item.slot)].isStale();
    case PartialRole: return m_health[static_cast<size_t>(item.slot)].isPartial();
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole: {
        const QString text = healthText(m_health[static_cast<size_t>(item.slot)], now());
        return text.isEmpty() ? QVariant() : text;
    }
    default: return {};
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

#include "moc_ServerTable.cpp"
