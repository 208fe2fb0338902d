#pragma once

#include <QTreeWidget>

class TUTServer;

// lv_ServerInfo: the selected server's settings as label and value rows. A
// refill sets only the values that changed.
class ServerInfoView final : public QTreeWidget
{
    Q_OBJECT
public:
    explicit ServerInfoView(QWidget *parent = nullptr);

    void fill(const TUTServer &server);
    // The first row's value: the name as the server reports it.
    // Row 3 alone, as the title bar refreshes it.
    void refreshPing(const TUTServer &server);
    QString value(int row) const;

private:
    // The labels of the rows shown, in order.
    QStringList m_labels;
};
