#pragma once

#include "MasterList.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

#include <array>
#include <functional>

// The rows of the master server dialog: one per listed server, with its
// name, address, query port, game type, ping, last reply, query time and
// version, and a check box. Replies are routed to rows by sender.
class MasterRows final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        AddressColumn,
        PortColumn,
        GameTypeColumn,
        PingColumn,
        DataColumn,
        StartTimeColumn,
        VersionColumn,
        ColumnCount
    };
    // No column sorted yet.
    static constexpr int kNoSortColumn = 65535;

    struct Row
    {
        quint64 id = 0;
        bool checked = false;
        QString name;
        QString address;
        QString port;
        QString gameType;
        QString ping;
        QByteArray data;
        quint32 startTime = 0;
        QString version;
        // The main list holds this server already.
        bool listed = false;
    };
    using IsListed = std::function<bool(const QString &address, int port)>;
    // What a row says when the main list holds its server already; the
    // search dialogs say the same of theirs.
    static QString alreadyListedTip() { return QStringLiteral("Already in the server list"); }

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces every row with the listed servers.
    void setServers(const QList<MasterList::ListedServer> &servers);
    // Tells the rows whose server the main list holds; they are marked
    // now, with every new list and at markListed().
    void setIsListed(IsListed isListed);
    void markListed();
    int listedCount() const;
    void clear();

    int count() const { return static_cast<int>(m_rows.size()); }
    const Row &row(int position) const { return m_rows[position]; }
    QList<quint64> rowIds() const;
    int positionOfId(quint64 id) const;

    // The first row listing this sender, -1 for none.
    int positionOfSender(const QString &address, quint16 port) const;
    // A query went to the row at this tick count.
    void markQueried(int position, quint32 tick);
    // A reply arrived at this tick: ping, stored reply, name, game type, version.
    void applyReply(int position, const QByteArray &datagram, quint32 tick);
    // Parses the row's stored reply into it again.
    void reparseStoredReply(int position);

    // A click on a column header: ascending, then descending, then
    // ascending again; another column starts ascending. Empty values
    // sort last in both directions.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }

    QList<int> checkedPositions() const;
    // The ticked rows whose server the main list does not hold yet.
    int checkedNewCount() const;
    void setChecked(int position, bool checked);

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString cellText(const Row &row, int column) const;
    void applyInfo(Row &row);
    void rebuildIndex();
    void emitRowChanged(int position);

    QList<Row> m_rows;
    QHash<QString, quint64> m_firstRowOfSender;
    QHash<quint64, int> m_positionOfId;
    IsListed m_isListed;
    quint64 m_nextId = 1;
    int m_sortColumn = kNoSortColumn;
};

// The comparison of two cell texts for a column, ascending (direction +1)
// or descending (-1); empty values come last either way.
namespace MasterRowOrder {
int compare(int column, const QString &a, const QString &b, int direction);
}
