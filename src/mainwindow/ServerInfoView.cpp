#include "ServerInfoView.h"

#include "viewlogic/ServerInfoRows.h"
#include "widgets/PlainToolTip.h"

#include <QHeaderView>

#include <algorithm>

ServerInfoView::ServerInfoView(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("lv_ServerInfo"));
    setAccessibleName(QStringLiteral("Server information"));
    header()->setAccessibleName(QStringLiteral("Server information columns"));
    setColumnCount(3);
    setHeaderLabels({QString(), QStringLiteral("property"), QStringLiteral("value")});
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    header()->setStretchLastSection(true);
    header()->resizeSection(0, 1);
    header()->resizeSection(1, 120);
}

void ServerInfoView::fill(const TUTServer &server)
{
    const QList<ServerInfoRows::Row> rows = ServerInfoRows::rows(server);
    // With the rows shown already, only the values that changed are set, and
    // so only their cells are repainted.
    const bool sameLabels =
        topLevelItemCount() == rows.size()
        && std::equal(rows.begin(), rows.end(), m_labels.begin(), m_labels.end(),
                      [](const ServerInfoRows::Row &row, const QString &label) { return row.label == label; });
    if (sameLabels) {
        for (int k = 0; k < rows.size(); ++k) {
            QTreeWidgetItem *item = topLevelItem(k);
            if (item->text(2) != rows[k].value) {
                item->setText(2, rows[k].value);
                item->setToolTip(2, plainToolTip(rows[k].value));
            }
        }
        return;
    }
    m_labels.clear();
    for (const ServerInfoRows::Row &row : rows)
        m_labels.append(row.label);
    setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem *> items;
    for (const ServerInfoRows::Row &row : rows) {
        auto *item = new QTreeWidgetItem({QString(), row.label, row.value});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(2, plainToolTip(row.value));
        items.append(item);
    }
    addTopLevelItems(items);
    // At least the usual 120 pixels, more where the desktop's font needs them.
    header()->resizeSection(1, std::max(120, sizeHintForColumn(1) + 8));
    setUpdatesEnabled(true);
}

QString ServerInfoView::value(int row) const
{
    const QTreeWidgetItem *item = topLevelItem(row);
    return item ? item->text(2) : QString();
}

void ServerInfoView::refreshPing(const TUTServer &server)
{
    if (QTreeWidgetItem *item = topLevelItem(2); item && !item->text(2).isEmpty()) {
        const QString ping = ServerInfoRows::pingText(server);
        if (item->text(2) != ping)
            item->setText(2, ping);
    }
}
