#pragma once

#include "viewlogic/PaintOptions.h"

#include <QList>
#include <QWidget>

// pbx_TeamScore and pbx_TeamScore2: one box per team with players, in the
// team's colour, showing its score and, smaller, its number of players.
class TeamScoreStrip final : public QWidget
{
    Q_OBJECT
public:
    explicit TeamScoreStrip(const QString &name, QWidget *parent = nullptr);

    // Score and size texts of the four team slots.
    void setTeams(const QList<std::pair<QString, QString>> &teams);
    void setOptions(const PaintOptions &options);
    const QList<std::pair<QString, QString>> &teams() const { return m_teams; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<std::pair<QString, QString>> m_teams;
    PaintOptions m_options;
};
