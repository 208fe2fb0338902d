#include "ScorePage.h"

#include "ScoreGraphView.h"
#include "ScoreLegend.h"
#include "TeamScoreStrip.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

ScorePage::ScorePage(QWidget *parent)
    : QWidget(parent)
    , pbx_TeamScore2(new TeamScoreStrip(QStringLiteral("pbx_TeamScore2"), this))
    , pbx_ScoreGraph(new ScoreGraphView(this))
    , lb_ScorePlayers(new ScoreLegend(this))
{
    setObjectName(QStringLiteral("ts_Score"));
    pbx_TeamScore2->hide();
    connect(pbx_ScoreGraph, &ScoreGraphView::legendChanged, lb_ScorePlayers, &ScoreLegend::setNames);

    const auto button = [this](const QString &name, const QString &text, const QString &tip) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(tip);
        b->setStatusTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    QToolButton *up = button(QStringLiteral("ab_FontUp"), QStringLiteral("A+"), QStringLiteral("Larger legend font"));
    QToolButton *down = button(QStringLiteral("sb_FontDown"), QStringLiteral("A-"), QStringLiteral("Smaller legend font"));
    QToolButton *reset = button(QStringLiteral("sb_ResetFont"), QStringLiteral("A"), QStringLiteral("Default legend font"));
    connect(up, &QToolButton::clicked, lb_ScorePlayers, &ScoreLegend::ab_FontUpClick);
    connect(down, &QToolButton::clicked, lb_ScorePlayers, &ScoreLegend::sb_FontDownClick);
    connect(reset, &QToolButton::clicked, this, [this] { lb_ScorePlayers->sb_ResetFontClick(m_defaultFontSize); });

    auto *legendPane = new QWidget(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addWidget(reset);
    buttons->addStretch();
    auto *legendLayout = new QVBoxLayout(legendPane);
    legendLayout->setContentsMargins(0, 0, 0, 0);
    legendLayout->addLayout(buttons);
    legendLayout->addWidget(lb_ScorePlayers, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(pbx_ScoreGraph);
    splitter->addWidget(legendPane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pbx_TeamScore2);
    layout->addWidget(splitter, 1);
}
