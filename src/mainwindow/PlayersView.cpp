#include "PlayersView.h"

#include <QHeaderView>
#include <QMenu>

PlayersView::PlayersView(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("lv_Players"));
    setAccessibleName(QStringLiteral("Players"));
    header()->setAccessibleName(QStringLiteral("Player columns"));
    setColumnCount(PlayerRows::ColumnCount);
    setHeaderLabels(PlayerRows::headers());
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);

    QHeaderView *head = header();
    head->setSectionsClickable(true);
    head->setMinimumSectionSize(20);
    head->resizeSection(PlayerRows::NameColumn, 120);
    head->resizeSection(PlayerRows::ScoreColumn, 38);
    head->resizeSection(PlayerRows::TeamColumn, 45);
    head->resizeSection(PlayerRows::PingColumn, 50);
    head->resizeSection(PlayerRows::NgWorldStatsColumn, 76);
    for (int c = PlayerRows::MeshColumn; c < PlayerRows::ColumnCount; ++c)
        head->resizeSection(c, head->sectionSizeHint(c));
    headerItem()->setTextAlignment(PlayerRows::ScoreColumn, Qt::AlignRight | Qt::AlignVCenter);
    headerItem()->setTextAlignment(PlayerRows::PingColumn, Qt::AlignRight | Qt::AlignVCenter);

    connect(head, &QHeaderView::sectionClicked, this, &PlayersView::setPlayerSortColumn);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current) {
            m_selectedPlayer = current->text(PlayerRows::NameColumn);
            Q_EMIT playerSelected(m_selectedPlayer);
        }
    });
    connect(this, &QWidget::customContextMenuRequested, this, &PlayersView::showContextMenu);

    // The headers sort by mouse; from the keyboard the context menu does.
    m_sortMenu = new QMenu(QStringLiteral("Sort by"), this);
    m_sortMenu->setObjectName(QStringLiteral("pm_SortPlayers"));
    const QStringList headers = PlayerRows::headers();
    for (int c = 0; c < PlayerRows::ColumnCount; ++c)
        connect(m_sortMenu->addAction(headers[c]), &QAction::triggered, this, [this, c] { setPlayerSortColumn(c); });
}

void PlayersView::fill(const TUTServer &server)
{
    QList<PlayerRows::Row> rows = PlayerRows::rows(server);
    PlayerRows::sortPlayersView(rows, m_sortColumn);
    // The same players with the same values: the view stays as it is.
    if (rows == m_rows && topLevelItemCount() == m_rows.size())
        return;
    m_rows = std::move(rows);
    showRows();
}

void PlayersView::setPlayerSortColumn(int column)
{
    m_sortColumn = column;
    sortPlayersView();
}

void PlayersView::sortPlayersView()
{
    PlayerRows::sortPlayersView(m_rows, m_sortColumn);
    showRows();
}

void PlayersView::showRows()
{
    setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_rows.size());
    for (const PlayerRows::Row &row : std::as_const(m_rows)) {
        QStringList texts;
        for (int c = 0; c < PlayerRows::ColumnCount; ++c)
            texts.append(row.column(c).trimmed());
        auto *item = new QTreeWidgetItem(texts);
        item->setTextAlignment(PlayerRows::ScoreColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(PlayerRows::TeamColumn, Qt::AlignCenter);
        item->setTextAlignment(PlayerRows::PingColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(PlayerRows::NgWorldStatsColumn, Qt::AlignCenter);
        items.append(item);
    }
    addTopLevelItems(items);
    // The long model names would be cut at their headers' width.
    for (int c = PlayerRows::MeshColumn; c < PlayerRows::ColumnCount; ++c)
        header()->resizeSection(c, std::max(header()->sectionSizeHint(c), sizeHintForColumn(c)));
    setUpdatesEnabled(true);
}

void PlayersView::showContextMenu(const QPoint &position)
{
    QMenu menu(this);
    menu.addActions(m_menuActions);
    if (!m_menuActions.isEmpty())
        menu.setDefaultAction(m_menuActions.first());
    menu.addSeparator();
    menu.addMenu(m_sortMenu);
    menu.exec(viewport()->mapToGlobal(position));
}
