#include "MasterRows.h"

#include "core/StrToIntOrZero.h"
#include "core/TextDecoding.h"

#include <algorithm>

namespace {

QString senderKey(const QString &address, const QString &port)
{
    return address + QLatin1Char(':') + port;
}

// The four octets of a dotted address; parts that are missing or not
// numbers count as 0, so any text sorts somewhere.
std::array<int, 4> octetsOf(const QString &address)
{
    std::array<int, 4> octets{};
    const QStringList parts = address.split(QLatin1Char('.'));
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        octets[i] = strToIntOrZero(parts[i]) & 0xff;
    return octets;
}

int sign(qint64 value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

namespace MasterRowOrder {

int compare(int column, const QString &a, const QString &b, int direction)
{
    using C = MasterRows::Column;
    if (column == C::DataColumn || column == C::StartTimeColumn)
        return 0;
    // Empty values last in both directions; two empty values are equal, so
    // the order stays a consistent one for the sort.
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() == b.isEmpty() ? 0 : (a.isEmpty() ? 1 : -1);
    switch (column) {
    case C::NameColumn:
    case C::GameTypeColumn: return sign(a.compare(b, Qt::CaseInsensitive)) * direction;
    case C::AddressColumn: {
        const auto x = octetsOf(a);
        const auto y = octetsOf(b);
        for (int i = 0; i < 4; ++i) {
            if (x[i] != y[i])
                return sign(x[i] - y[i]) * direction;
        }
        return 0;
    }
    default: return sign(qint64(strToIntOrZero(a)) - qint64(strToIntOrZero(b))) * direction;
    }
}

} // namespace MasterRowOrder

void MasterRows::setServers(const QList<MasterList::ListedServer> &servers)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(servers.size());
    for (const auto &server : servers) {
        Row row;
        row.id = m_nextId++;
        row.address = server.address;
        row.port = server.port;
        row.listed = m_isListed && m_isListed(row.address, strToIntOrZero(row.port));
        m_rows.append(std::move(row));
    }
    rebuildIndex();
    endResetModel();
}

void MasterRows::setIsListed(IsListed isListed)
{
    m_isListed = std::move(isListed);
    markListed();
}

void MasterRows::markListed()
{
    for (int i = 0; i < count(); ++i) {
        Row &row = m_rows[i];
        const bool listed = m_isListed && m_isListed(row.address, strToIntOrZero(row.port));
        if (listed != row.listed) {
            row.listed = listed;
            emitRowChanged(i);
        }
    }
}

int MasterRows::listedCount() const
{
    return static_cast<int>(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row &row) { return row.listed; }));
}

void MasterRows::clear()
{
    setServers({});
}

QList<quint64> MasterRows::rowIds() const
{
    QList<quint64> ids;
    ids.reserve(m_rows.size());
    for (const Row &row : m_rows)
        ids.append(row.id);
    return ids;
}

int MasterRows::positionOfId(quint64 id) const
{
    return m_positionOfId.value(id, -1);
}

int MasterRows::positionOfSender(const QString &address, quint16 port) const
{
    const auto it = m_firstRowOfSender.constFind(senderKey(address, QString::number(port)));
    return it == m_firstRowOfSender.cend() ? -1 : positionOfId(*it);
}

void MasterRows::markQueried(int position, quint32 tick)
{
    m_rows[position].startTime = tick;
}

void MasterRows::applyReply(int position, const QByteArray &datagram, quint32 tick)
{
    Row &row = m_rows[position];
    row.ping = QString::number(tick - row.startTime);
    row.data = datagram;
    applyInfo(row);
    emitRowChanged(position);
}

void MasterRows::reparseStoredReply(int position)
{
    applyInfo(m_rows[position]);
    emitRowChanged(position);
}

void MasterRows::applyInfo(Row &row)
{
    const MasterList::ServerInfoFields fields = MasterList::parseServerInfo(row.data);
    if (fields.hostName)
        row.name = *fields.hostName;
    if (fields.gameType)
        row.gameType = *fields.gameType;
    if (fields.gameVersion)
        row.version = *fields.gameVersion;
}

void MasterRows::sortByColumn(int column)
{
    int direction = 1;
    if (column != m_sortColumn) {
        m_sortColumn = column;
    } else {
        direction = -1;
        m_sortColumn = column + 10;
    }
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QList<quint64> beforeIds;
    for (const QModelIndex &index : before)
        beforeIds.append(m_rows[index.row()].id);
    std::stable_sort(m_rows.begin(), m_rows.end(), [this, column, direction](const Row &a, const Row &b) {
        return MasterRowOrder::compare(column, cellText(a, column), cellText(b, column), direction) < 0;
    });
    rebuildIndex();
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(positionOfId(beforeIds[i]), before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

QList<int> MasterRows::checkedPositions() const
{
    QList<int> positions;
    for (int i = 0; i < count(); ++i) {
        if (m_rows[i].checked)
            positions.append(i);
    }
    return positions;
}

int MasterRows::checkedNewCount() const
{
    return static_cast<int>(
        std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row &row) { return row.checked && !row.listed; }));
}

void MasterRows::setChecked(int position, bool checked)
{
    m_rows[position].checked = checked;
    const QModelIndex cell = index(position, NameColumn);
    Q_EMIT dataChanged(cell, cell, {Qt::CheckStateRole});
}

void MasterRows::rebuildIndex()
{
    m_firstRowOfSender.clear();
    m_positionOfId.clear();
    m_firstRowOfSender.reserve(m_rows.size());
    m_positionOfId.reserve(m_rows.size());
    for (int i = 0; i < count(); ++i) {
        const Row &row = m_rows[i];
        m_positionOfId.insert(row.id, i);
        const QString key = senderKey(row.address, row.port);
        if (!m_firstRowOfSender.contains(key))
            m_firstRowOfSender.insert(key, row.id);
    }
}

void MasterRows::emitRowChanged(int position)
{
    Q_EMIT dataChanged(index(position, 0), index(position, ColumnCount - 1));
}

QString MasterRows::cellText(const Row &row, int column) const
{
    switch (column) {
    case NameColumn: return row.name;
    case AddressColumn: return row.address;
    case PortColumn: return row.port;
    case GameTypeColumn: return row.gameType;
    case PingColumn: return row.ping;
    case DataColumn: return decodeUtf8OrWindows1252(row.data);
    case StartTimeColumn: return QString::number(row.startTime);
    case VersionColumn: return row.version;
    default: return {};
    }
}

int MasterRows::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int MasterRows::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MasterRows::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const Row &row = m_rows[index.row()];
    if (role == Qt::DisplayRole)
        return cellText(row, index.column());
    if (role == Qt::CheckStateRole && index.column() == NameColumn)
        return row.checked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole && row.listed)
        return alreadyListedTip();
    if (role == Qt::TextAlignmentRole && (index.column() == PortColumn || index.column() == PingColumn))
        return Qt::AlignCenter;
    return {};
}

bool MasterRows::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != NameColumn)
        return false;
    setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags MasterRows::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == NameColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant MasterRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const kCaptions[ColumnCount] = {"Name", "IP",   "port",      "Game Type",
                                                       "ping", "data", "starttime", "version"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(kCaptions[section]);
}
