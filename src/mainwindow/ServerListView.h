#pragma once

#include <QListView>

// The server list: fixed rows of 16 pixels; a click on the check box
// toggles monitoring, a click on the refresh square asks for a refresh, and
// the hint follows the pointer across the row's parts. A change of a row's
// counts, check mark or health repaints that row alone, and only when it
// shows something else than before. A row's tooltip and accessible
// description tell a server's missing or partial replies.
class ServerListView final : public QListView
{
    Q_OBJECT
public:
    explicit ServerListView(QWidget *parent = nullptr);

Q_SIGNALS:
    // Left button down on a row's refresh square, before the click selects it.
    void refreshRequested(int row);
    // Left button down on the row that is selected already.
    void selectedRowClicked();

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_hint;
};
