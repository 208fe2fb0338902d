#include "RankingModel.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <numeric>

namespace Stats {

namespace {

const QString kRefreshed = QStringLiteral(">>");

QString columnTitle(RankingKind kind, int column)
{
    const bool server = kind == RankingKind::Server;
    switch (column) {
    case NameColumn: return QStringLiteral("Name");
    case IdColumn: return server ? QStringLiteral("ngSID") : QStringLiteral("ngUID");
    case GameModeColumn: return QStringLiteral("GM");
    case WeeklyRankColumn: return QStringLiteral("Weekly");
    case QuarterlyRankColumn: return server ? QStringLiteral("Quarterly") : QStringLiteral("Querterly");
    case WeeklyFigureColumn:
    case QuarterlyFigureColumn: return server ? QStringLiteral("days") : QStringLiteral("points");
    default: return {};
    }
}

} // namespace

int firstSelectedRow(const QItemSelectionModel &selection)
{
    int first = -1;
    for (const QModelIndex &index : selection.selectedRows()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

RankingModel::RankingModel(RankingKind kind, QObject *parent)
    : QAbstractTableModel(parent)
    , m_kind(kind)
{
}

bool RankingModel::addRankingEntry(const RankingEntry &entry)
{
    const auto identity = entryIdentity(entry);
    if (m_identities.contains(identity))
        return false;
    m_identities.insert(identity);
    beginInsertRows({}, count(), count());
    m_rows.append({entry, {}});
    endInsertRows();
    return true;
}

void RankingModel::removeEntry(int row)
{
    if (row < 0 || row >= count())
        return;
    beginRemoveRows({}, row, row);
    m_identities.remove(entryIdentity(m_rows.at(row).entry));
    m_rows.removeAt(row);
    endRemoveRows();
}

QList<RankingEntry> RankingModel::entries() const
{
    QList<RankingEntry> result;
    result.reserve(m_rows.size());
    for (const Row &row : m_rows)
        result.append(row.entry);
    return result;
}

void RankingModel::setRanks(int row, const RankFigures &ranks)
{
    RankingEntry &entry = m_rows[row].entry;
    entry.weeklyRank = ranks.weeklyRank;
    entry.weeklyFigure = ranks.weeklyFigure;
    entry.quarterlyRank = ranks.quarterlyRank;
    entry.quarterlyFigure = ranks.quarterlyFigure;
    Q_EMIT dataChanged(index(row, WeeklyRankColumn), index(row, QuarterlyFigureColumn));
}

void RankingModel::markRefreshed(int row)
{
    m_rows[row].marker = kRefreshed;
    Q_EMIT dataChanged(index(row, MarkerColumn), index(row, MarkerColumn));
}

void RankingModel::clearMarkers()
{
    for (Row &row : m_rows)
        row.marker.clear();
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, MarkerColumn), index(count() - 1, MarkerColumn));
}

void RankingModel::sortByClick(int column)
{
    if (column < 0 || column >= kColumnCount)
        return;
    const int direction = m_sort.click(column);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Row &ra = m_rows[a];
        const Row &rb = m_rows[b];
        return compareRankings(ra.entry, rb.entry, ra.marker, rb.marker, column, direction) < 0;
    });
    QList<Row> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newRowOf(m_rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(m_rows[order[i]]);
        newRowOf[order[i]] = i;
    }
    m_rows = std::move(sorted);
    // Selections and current rows follow their entries.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(newRowOf[old.row()], old.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int RankingModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int RankingModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QString RankingModel::field(const Row &row, int column)
{
    const RankingEntry &e = row.entry;
    switch (column) {
    case MarkerColumn: return row.marker;
    case NameColumn: return e.name;
    case IdColumn: return e.id;
    case GameModeColumn: return e.gameMode;
    case WeeklyRankColumn: return e.weeklyRank;
    case WeeklyFigureColumn: return e.weeklyFigure;
    case QuarterlyRankColumn: return e.quarterlyRank;
    case QuarterlyFigureColumn: return e.quarterlyFigure;
    default: return {};
    }
}

QVariant RankingModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == NameColumn))
        return field(m_rows[index.row()], index.column());
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn)
        return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

QVariant RankingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return columnTitle(m_kind, section);
    if (role == Qt::AccessibleTextRole && section == MarkerColumn)
        return QStringLiteral("kRefreshed");
    return {};
}

} // namespace Stats
