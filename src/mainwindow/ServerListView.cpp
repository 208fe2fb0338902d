#include "ServerListView.h"

#include "ServerRowDelegate.h"
#include "core/ServerTable.h"
#include "viewlogic/ServerRowLayout.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStatusTipEvent>

#include <algorithm>

ServerListView::ServerListView(QWidget *parent)
    : QListView(parent)
{
    setObjectName(QStringLiteral("clb_Servers"));
    setAccessibleName(QStringLiteral("Servers"));
    setMouseTracking(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setStatusTip(ServerRowLayout::hintAt(-1));
}

void ServerListView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // QListView lays out every item again after any change, and so repaints
    // the whole list. Counts, check marks and health change no item's size:
    // for them only the rows that now show something else are repainted.
    const auto sizeKept = [](int role) {
        switch (role) {
        case ServerTable::CurPlayersRole:
        case ServerTable::MaxPlayersRole:
        case ServerTable::StaleRole:
        case ServerTable::PartialRole:
        case Qt::CheckStateRole:
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole: return true;
        default: return false;
        }
    };
    const auto *rows = qobject_cast<const ServerRowDelegate *>(itemDelegate());
    if (roles.isEmpty() || !std::all_of(roles.begin(), roles.end(), sizeKept) || !topLeft.isValid()
        || topLeft.parent() != rootIndex() || !rows) {
        QListView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex index = model()->index(row, modelColumn(), rootIndex());
        if (rows->needsRepaint(index))
            QAbstractItemView::dataChanged(index, index, roles);
    }
}

void ServerListView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const int x = event->position().toPoint().x();
    const bool leftOnRow = event->button() == Qt::LeftButton && index.isValid();
    const bool alreadySelected = leftOnRow && selectionModel()->isSelected(index);
    if (leftOnRow) {
        if (x < ServerRowLayout::kCheckWidth) {
            const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            model()->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        } else if (ServerRowLayout::isRefreshClick(x, ServerRowLayout::kItemHeight)) {
            Q_EMIT refreshRequested(index.row());
        }
    }
    QListView::mousePressEvent(event);
    // A new selection refreshes through the selection model; the selected row refreshes here.
    if (alreadySelected)
        Q_EMIT selectedRowClicked();
}

void ServerListView::keyPressEvent(QKeyEvent *event)
{
    // Space ticks the current row, as in any check list.
    const QModelIndex index = currentIndex();
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && index.isValid()) {
        const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model()->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return;
    }
    QListView::keyPressEvent(event);
}

void ServerListView::mouseMoveEvent(QMouseEvent *event)
{
    const QString hint = ServerRowLayout::hintAt(event->position().toPoint().x());
    if (hint != m_hint) {
        m_hint = hint;
        setStatusTip(hint);
        QStatusTipEvent tip(hint);
        QApplication::sendEvent(this, &tip);
    }
    QListView::mouseMoveEvent(event);
}
