#include "ScoreGraphView.h"

#include "FramePainter.h"
#include "widgets/SystemColors.h"

#include <QPainter>

ScoreGraphView::ScoreGraphView(QWidget *parent)
    : QWidget(parent)
    , m_palette(ScoreGraphLayout::BarPalette())
{
    setObjectName(QStringLiteral("pbx_ScoreGraph"));
    setAccessibleName(QStringLiteral("Score graph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(60, 60);
}

void ScoreGraphView::setRows(const QList<PlayerRows::Row> &rows)
{
    // The same rows make the same bars and the same legend.
    if (m_rowsSet && rows == m_rows)
        return;
    m_rowsSet = true;
    m_rows = rows;
    QStringList names;
    for (const ScoreGraphLayout::Bar &bar : layout().bars)
        names.append(bar.name);
    Q_EMIT legendChanged(names);
    update();
}

void ScoreGraphView::setOptions(const PaintOptions &options, int minBarWidth)
{
    m_options = options;
    m_minBarWidth = minBarWidth;
    update();
}

ScoreGraphLayout::Graph ScoreGraphView::layout() const
{
    return ScoreGraphLayout::layoutBars(m_rows, width(), height(), m_minBarWidth);
}

void ScoreGraphView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const ScoreGraphLayout::Graph graph = layout();
    if (graph.bars.isEmpty())
        return;

    QFont font = this->font();
    font.setPointSize(std::clamp(ScoreGraphLayout::scoreFontPoints(graph.barWidth), 1, 500));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (const ScoreGraphLayout::Bar &bar : graph.bars) {
        if (!bar.fits)
            continue;
        painter.fillRect(bar.rect.normalized(),
                         SystemColors::fromPlatform(m_palette[static_cast<size_t>(bar.colorIndex)]));
        if (m_options.frame)
            drawFrameLines(painter, palette(),
                           ScoreGraphLayout::frameLines(bar.rect, m_options.raised, m_options.thick));
        const QString score = QString::number(bar.score);
        const int bottom = bar.rect.top() + bar.rect.height();
        const int x = ScoreGraphLayout::scoreTextX(bar, graph.barWidth, metrics.horizontalAdvance(score));
        painter.setPen(Qt::black);
        painter.drawText(QPoint(x, bottom - metrics.height() - 2 + metrics.ascent()), score);
    }
}
