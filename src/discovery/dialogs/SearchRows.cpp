#include "SearchRows.h"

#include "platform/DatagramSocket.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace SearchRows {

QTreeWidget *newList(QWidget *parent, const QStringList &headers)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("lv_LANServers"));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSortingEnabled(false);
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(true);
    return list;
}

QTreeWidgetItem *addRow(QTreeWidget *list, const QStringList &texts)
{
    auto *row = new QTreeWidgetItem(list, texts);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    return row;
}

void appendName(QTreeWidgetItem *row, int column, const QString &name)
{
    if (row->text(column).isEmpty())
        row->setText(column, name);
}

QString firstName(const QTreeWidgetItem *row, int column)
{
    return row->text(column);
}

bool bindPreferred(DatagramSocket &socket, int port)
{
    if (port >= 1 && port <= 65535 && socket.bind(static_cast<quint16>(port)))
        return true;
    return socket.bind(0);
}

} // namespace SearchRows
