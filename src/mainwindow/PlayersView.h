#pragma once

#include "viewlogic/PlayerRows.h"

#include <QTreeWidget>

class QMenu;
class TUTServer;

// lv_Players: the selected server's players, sorted by the last clicked
// column, which stays in force across refills. A refill that brings the
// rows shown already changes nothing.
class PlayersView final : public QTreeWidget
{
    Q_OBJECT
public:
    explicit PlayersView(QWidget *parent = nullptr);

    void fill(const TUTServer &server);
    // The rows as shown, in display order.
    const QList<PlayerRows::Row> &rows() const { return m_rows; }

    void setPlayerSortColumn(int column);
    // The caption of the row last selected; kept after the row is gone.
    QString selectedPlayerName() const { return m_selectedPlayer; }
    // The player entries of the context menu; the sort submenu follows them.
    void setMenuActions(const QList<QAction *> &actions) { m_menuActions = actions; }

Q_SIGNALS:
    // A row was selected: its player's name.
    void playerSelected(const QString &name);

private:
    void sortPlayersView();
    void showRows();
    void showContextMenu(const QPoint &position);

    QMenu *m_sortMenu = nullptr;
    QList<QAction *> m_menuActions;
    QList<PlayerRows::Row> m_rows;
    int m_sortColumn = 0;
    QString m_selectedPlayer;
};
