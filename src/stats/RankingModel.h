#pragma once

#include "RankingEntry.h"
#include "RankingOrder.h"
#include "RankingPage.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QString>

class QItemSelectionModel;

namespace Stats {

// The lowest selected row of a list; -1 when none is selected.
int firstSelectedRow(const QItemSelectionModel &selection);

// One rankings list, servers or players: the entries in the order shown,
// each with its marker (">>" once refreshed in the current run). One list
// never holds two entries with the same id and game mode, ignoring case.
class RankingModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int kColumnCount = 8;

    explicit RankingModel(RankingKind kind, QObject *parent = nullptr);

    RankingKind kind() const { return m_kind; }

    // Appends the entry unless one with its id and game mode is listed.
    bool addRankingEntry(const RankingEntry &entry);
    void removeEntry(int row);
    const RankingEntry &entry(int row) const { return m_rows.at(row).entry; }
    QString marker(int row) const { return m_rows.at(row).marker; }
    QList<RankingEntry> entries() const;
    int count() const { return int(m_rows.size()); }

    // Marks the entry as refreshed with the ranks read from its page.
    void setRanks(int row, const RankFigures &ranks);
    void markRefreshed(int row);
    void clearMarkers();
    // A click on a column's title: the first click sorts it one way, the
    // next the other; rows without a figure ("-") stay last both ways.
    void sortByClick(int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        RankingEntry entry;
        QString marker;
    };

    static QString field(const Row &row, int column);

    RankingKind m_kind;
    QList<Row> m_rows;
    // The identities of the rows, so adding stays fast on long lists.
    QSet<std::pair<QString, QString>> m_identities;
    SortState m_sort;
};

} // namespace Stats
