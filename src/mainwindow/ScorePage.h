#pragma once

#include <QWidget>

class ScoreGraphView;
class ScoreLegend;
class TeamScoreStrip;

// The "Score graph" page: the team strip, the bars and their legend with
// its font buttons.
class ScorePage final : public QWidget
{
    Q_OBJECT
public:
    explicit ScorePage(QWidget *parent = nullptr);

    TeamScoreStrip *teamStrip() const { return pbx_TeamScore2; }
    ScoreGraphView *graph() const { return pbx_ScoreGraph; }
    ScoreLegend *legend() const { return lb_ScorePlayers; }
    void setDefaultFontSize(int points) { m_defaultFontSize = points; }

private:
    TeamScoreStrip *pbx_TeamScore2;
    ScoreGraphView *pbx_ScoreGraph;
    ScoreLegend *lb_ScorePlayers;
    int m_defaultFontSize = 8;
};
