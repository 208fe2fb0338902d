#include "SearchRows.h"

#include "discovery/MasterRows.h"
#include "platform/DatagramSocket.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

namespace SearchRows {

namespace {
constexpr int kAddressRole = Qt::UserRole + 1;
constexpr int kListedRole = Qt::UserRole + 2;
} // namespace

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

void setAddress(QTreeWidgetItem *row, const QString &address)
{
    row->setData(0, kAddressRole, address);
}

QString address(const QTreeWidgetItem *row)
{
    return row->data(0, kAddressRole).toString();
}

void markListed(QTreeWidgetItem *row)
{
    row->setData(0, kListedRole, true);
    for (int column = 0; column < row->treeWidget()->columnCount(); ++column) {
        row->setToolTip(column, MasterRows::alreadyListedTip());
        row->setForeground(column, row->treeWidget()->palette().brush(QPalette::Disabled, QPalette::Text));
    }
}

bool isListed(const QTreeWidgetItem *row)
{
    return row->data(0, kListedRole).toBool();
}

QLabel *newListedLine(QWidget *parent)
{
    auto *line = new QLabel(parent);
    line->setObjectName(QStringLiteral("lbl_Listed"));
    return line;
}

void showListedCount(QLabel *line, const QTreeWidget *list)
{
    int listed = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        listed += isListed(list->topLevelItem(i)) ? 1 : 0;
    line->setText(listed == 0 ? QString() : QStringLiteral("%1 already in the list").arg(listed));
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
