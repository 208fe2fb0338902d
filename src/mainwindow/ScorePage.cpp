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
    , m_teamStrip(new TeamScoreStrip(QStringLiteral("pbx_TeamScore2"), this))
    , m_graph(new ScoreGraphView(this))
    , m_legend(new ScoreLegend(this))
{
    setObjectName(QStringLiteral("ts_Score"));
    m_teamStrip->hide();
    connect(m_graph, &ScoreGraphView::legendChanged, m_legend, &ScoreLegend::setNames);

    const auto button = [this](const QString &name, const QString &text, const QString &tip) {
        auto *b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        b->setStatusTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    QToolButton *up = button(QStringLiteral("ab_FontUp"), QStringLiteral("A+"), QStringLiteral("Larger legend font"));
    QToolButton *down =
        button(QStringLiteral("sb_FontDown"), QStringLiteral("A-"), QStringLiteral("Smaller legend font"));
    QToolButton *reset =
        button(QStringLiteral("sb_ResetFont"), QStringLiteral("A"), QStringLiteral("Default legend font"));
    connect(up, &QToolButton::clicked, m_legend, &ScoreLegend::increaseFontSize);
    connect(down, &QToolButton::clicked, m_legend, &ScoreLegend::decreaseFontSize);
    connect(reset, &QToolButton::clicked, this, [this] { m_legend->resetFontSize(m_defaultFontSize); });

    auto *legendPane = new QWidget(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addWidget(reset);
    buttons->addStretch();
    auto *legendLayout = new QVBoxLayout(legendPane);
    legendLayout->setContentsMargins(0, 0, 0, 0);
    legendLayout->addLayout(buttons);
    legendLayout->addWidget(m_legend, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_graph);
    splitter->addWidget(legendPane);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_teamStrip);
    layout->addWidget(splitter, 1);
}
