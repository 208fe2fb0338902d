#include "ServerInfoView.h"

#include "viewlogic/ServerInfoRows.h"

#include <QHeaderView>

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
    setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem *> items;
    for (const ServerInfoRows::Row &row : ServerInfoRows::rows(server)) {
        auto *item = new QTreeWidgetItem({QString(), row.label, row.value});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(2, row.value);
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
    if (QTreeWidgetItem *item = topLevelItem(2); item && !item->text(2).isEmpty())
        item->setText(2, ServerInfoRows::pingText(server));
}
