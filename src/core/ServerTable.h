#pragma once

#include "ServerHealth.h"
#include "TServerListInfo.h"
#include "TUTServer.h"

#include <QAbstractListModel>
#include <QHash>
#include <QSet>
#include <QList>

#include <array>
#include <memory>
#include <optional>

class DebugLog;
class HostResolver;
class TickClock;

// The monitored servers: 256 slots of records and list entries, and the
// server list that orders them for display and for every walk over them.
// Slots stay put for a server's whole life; sorting reorders only the list.
class ServerTable final : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int kSlotCount = 256;

    enum Role {
        SlotRole = Qt::UserRole + 1,
        CurPlayersRole,
        MaxPlayersRole,
        // The server stopped answering; it answered its last round in part.
        StaleRole,
        PartialRole,
    };

    enum SortMode {
        NameAscending,
        NameDescending,
        PlayersAscending,
        PlayersDescending,
        MaxPlayersAscending,
        MaxPlayersDescending,
        PingAscending,
        PingDescending,
        SortModeCount
    };

    ServerTable(DebugLog &log, HostResolver &resolver, QObject *parent = nullptr);
    ~ServerTable() override;

    // Slots.
    TUTServer *server(int slot) const;
    TServerListInfo *entry(int slot) const;
    bool isFree(int slot) const;

    // The list, by position.
    int count() const { return static_cast<int>(m_items.size()); }
    int slotAt(int position) const;
    bool isChecked(int position) const;
    void setChecked(int position, bool checked);
    // A number that names the list item for as long as it exists, so a walk
    // that waits between servers can tell whether its item is still there.
    quint64 itemIdAt(int position) const;
    QList<quint64> itemIds() const;
    int positionOfItemId(quint64 id) const;
    int positionOfSlot(int slot) const;

    // Adds a server and appends it, unchecked, to the end of the list.
    // Returns its slot, or kSlotCount when the table is full. A host name is
    // looked up in the background; addressResolved or addressFailed follows.
    int addServer(const QString &address, int queryPort, const QString &name);

    // Where a server's address stands. Only a known address is sent to.
    enum class AddressState { Known, LookingUp, Failed };
    AddressState addressState(int slot) const;
    // Starts another look-up of a name that failed.
    void lookUpAgain(int slot);
    // The address a server added with this text gets, as far as known now:
    // the text itself, or the address its name resolved to earlier.
    QString knownAddress(const QString &text) const;
    // Frees the slot of the server at the list position.
    void removeAt(int position);
    // The slot a reply from this sender belongs to, -1 for none. With two
    // identical entries the higher slot gets the replies.
    int slotForSender(const QString &address, int port) const;
    // The slot of a server with this address, resolved as addServer would
    // store it, and query port; -1 when the table holds none.
    int slotOfServer(const QString &address, int port) const;

    void syncListCounts(int slot);

    // The clock the servers' health is stamped and aged by.
    void setClock(const TickClock *clock) { m_clock = clock; }
    // A scan or a walk over the list asked the server a round of queries.
    void noteAsked(int slot);
    // A datagram from the server arrived.
    void noteReply(int slot, const QByteArray &datagram);
    // Changes a server's address, port and display name.
    void setServerAddress(int slot, const QString &host, int queryPort, const QString &name);

    void setSortMode(int mode);
    int serverListSort() const { return m_serverListSort; }
    void sortServerList(SortMode comparator);
    // The order the list was last sorted in; none until it was sorted.
    std::optional<SortMode> currentComparator() const { return m_currentComparator; }
    // Sorts the list again in the order last used, if any.
    void resort();

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The server's name resolved: its Host is now the dotted address.
    void addressResolved(int slot);
    // The server's name has no IPv4 address, or the name service failed.
    void addressFailed(int slot);

private:
    struct Item
    {
        int slot;
        bool checked;
        quint64 id;
    };

    // One sort key per list position, in list order.
    QList<qint64> sortKeys(SortMode mode) const;
    void startLookUp(const QString &name);
    void nameResolved(const QString &name, const QString &ipv4);
    quint32 now() const;
    // Applies change to the slot's health and tells the row when what it shows changed.
    template<typename Change>
    void changeHealth(int slot, Change change);

    DebugLog &m_log;
    HostResolver &m_resolver;
    std::array<AddressState, kSlotCount> m_addressStates{};
    QHash<QString, QString> m_resolvedNames;
    QSet<QString> m_namesLookedUp;
    std::array<std::unique_ptr<TUTServer>, kSlotCount> m_servers;
    std::array<std::unique_ptr<TServerListInfo>, kSlotCount> m_entries;
    std::array<ServerHealth, kSlotCount> m_health;
    const TickClock *m_clock = nullptr;
    QList<Item> m_items;
    quint64 m_nextItemId = 1;
    int m_serverListSort = 0;
    std::optional<SortMode> m_currentComparator;
};
