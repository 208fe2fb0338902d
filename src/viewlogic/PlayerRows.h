#pragma once

#include <QList>
#include <QString>

class TUTServer;

// The rows of the players view and their sort orders.
namespace PlayerRows {

enum Column {
    NameColumn,
    ScoreColumn,
    TeamColumn,
    PingColumn,
    NgWorldStatsColumn,
    MeshColumn,
    SkinColumn,
    FaceColumn,
    ColumnCount
};

struct Row
{
    QString name;
    QString score;
    QString team;
    QString ping;
    QString ngWorldStats;
    QString mesh;
    QString skin;
    QString face;

    QString column(int index) const;
    bool operator==(const Row &) const = default;
};

// One row per valid player slot of the record, in slot order.
QList<Row> rows(const TUTServer &server);

// Sorts by a column: names ascending by the locale's comparison, scores
// descending, pings ascending, the text columns descending without regard to
// case. Equal keys keep their order; an unknown column leaves the order.
void sortPlayersView(QList<Row> &rows, int column);

QStringList headers();

} // namespace PlayerRows
