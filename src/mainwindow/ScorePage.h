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

    TeamScoreStrip *teamStrip() const { return m_teamStrip; }
    ScoreGraphView *graph() const { return m_graph; }
    ScoreLegend *legend() const { return m_legend; }
    void setDefaultFontSize(int points) { m_defaultFontSize = points; }

private:
    TeamScoreStrip *m_teamStrip;
    ScoreGraphView *m_graph;
    ScoreLegend *m_legend;
    int m_defaultFontSize = 8;
};
