#include "HistoryPlotView.h"

#include "HistoryColors.h"
#include "HistoryPainting.h"

#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

// How far from a point the mouse still picks it.
constexpr double kHoverDistance = 24;

// Short pieces: the rasterizer's cost grows with the edges a whole path
// puts on each scan line, and a jagged week has thousands.
constexpr qsizetype kPiece = 4;

void drawLine(QPainter &painter, const QList<QPointF> &line)
{
    for (qsizetype first = 0; first + 1 < line.size(); first += kPiece)
        painter.drawPolyline(line.constData() + first, int(std::min(kPiece + 1, line.size() - first)));
}

} // namespace

HistoryPlotView::HistoryPlotView(const QString &objectName, const QString &accessibleName, QWidget *parent)
    : HistoryPointView(parent)
    , m_zone(QTimeZone::systemTimeZone())
{
    setObjectName(objectName);
    setAccessibleName(accessibleName);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 90);
    describe();
}

void HistoryPlotView::setSamples(const QList<HistorySample> &samples, qint64 from, qint64 to, const QTimeZone &zone)
{
    const bool chosen = currentPoint() >= 0;
    const qint64 chosenTime = chosen ? m_samples[currentPoint()].time : 0;
    m_samples = samples;
    m_from = from;
    m_to = std::max(to, from + 1);
    m_zone = zone;

    if (m_samples.isEmpty()) {
        m_summary = QStringLiteral("No samples in this period");
    } else {
        const HistoryPlotLayout::Plot plot = layout();
        m_summary = QStringLiteral("Most players: ") + HistoryPlotLayout::sampleText(m_samples[plot.peak], m_zone)
                    + QStringLiteral(". Left and Right step through the %1 samples.").arg(m_samples.size());
    }
    resetPoints(chosen ? HistoryPlotLayout::nearestSample(m_samples, chosenTime) : -1);
}

HistoryPlotLayout::Plot HistoryPlotView::layout() const
{
    return layoutFor(devicePixelRatio());
}

QRectF HistoryPlotView::plotArea() const
{
    const QFontMetricsF metrics(font());
    const double left = metrics.horizontalAdvance(QStringLiteral("000")) + 10;
    const double top = metrics.height() + 4;
    const double right = metrics.horizontalAdvance(QStringLiteral("Wed 30")) / 2 + 4;
    const double bottom = metrics.height() + 8;
    return QRectF(left, top, std::max(1.0, width() - left - right), std::max(1.0, height() - top - bottom));
}

HistoryPlotLayout::Plot HistoryPlotView::layoutFor(double devicePixelRatio) const
{
    const QFontMetricsF metrics(font());
    HistoryPlotLayout::PlotOptions options;
    options.devicePixelRatio = devicePixelRatio;
    options.minXTickSpacing = metrics.horizontalAdvance(QStringLiteral("Wed 30")) + 16;
    options.minYTickSpacing = metrics.height() + 8;
    return HistoryPlotLayout::layoutPlot(m_samples, m_from, m_to, plotArea(), m_zone, options);
}

void HistoryPlotView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const double ratio = HistoryPainting::devicePixelRatio(painter);
    const QPalette &colours = palette();
    painter.fillRect(rect(), HistoryColors::background(colours));
    const HistoryPlotLayout::Plot plot = layoutFor(ratio);
    const QRectF &area = plot.area;
    const QFontMetricsF metrics(font());

    const auto hLine = [&](double y, double left, double right, const QColor &colour) {
        const HistoryPlotLayout::CrispLine line = HistoryPlotLayout::crispLine(y, ratio);
        painter.setPen(QPen(colour, line.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(left, line.pos), QPointF(right, line.pos));
    };
    const auto vLine = [&](double x, double top, double bottom, const QColor &colour) {
        const HistoryPlotLayout::CrispLine line = HistoryPlotLayout::crispLine(x, ratio);
        painter.setPen(QPen(colour, line.width, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(QPointF(line.pos, top), QPointF(line.pos, bottom));
    };

    const QColor text = HistoryColors::text(colours);
    for (const HistoryPlotLayout::Tick &tick : plot.yTicks) {
        if (tick.pos < area.bottom() - 0.5)
            hLine(tick.pos, area.left(), area.right(), HistoryColors::grid(colours));
        painter.setPen(text);
        const QRectF box(0, tick.pos - metrics.height() / 2, area.left() - 5, metrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.label);
    }
    for (const HistoryPlotLayout::Tick &tick : plot.xTicks) {
        vLine(tick.pos, area.top(), area.bottom() + 3, HistoryColors::grid(colours));
        painter.setPen(text);
        const double half = metrics.horizontalAdvance(tick.label) / 2 + 1;
        painter.drawText(QRectF(tick.pos - half, area.bottom() + 4, 2 * half, metrics.height()), Qt::AlignCenter,
                         tick.label);
    }
    if (m_samples.isEmpty()) {
        painter.setPen(text);
        painter.drawText(area, Qt::AlignCenter, m_summary);
    } else {
        // Columns of whole device pixels: crisp, and as quick with ten
        // thousand samples as with ten.
        const double baseline = area.bottom();
        const QColor fill = HistoryColors::area(colours);
        const QColor lineColour = HistoryColors::line(colours);
        const double halfLine = 0.75;
        for (const HistoryPlotLayout::Run &run : plot.runs) {
            for (const HistoryPlotLayout::Column &column : run.columns) {
                if (column.fillTop < baseline)
                    painter.fillRect(QRectF(column.x, column.fillTop, column.width, baseline - column.fillTop), fill);
                if (run.dense)
                    painter.fillRect(QRectF(column.x, column.top - halfLine, column.width,
                                            column.bottom - column.top + 2 * halfLine),
                                     lineColour);
            }
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(lineColour, 2 * halfLine, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const HistoryPlotLayout::Run &run : plot.runs) {
            if (run.line.size() == 1)
                painter.drawPoint(run.line.first());
            else if (!run.dense)
                drawLine(painter, run.line);
        }
        painter.setRenderHint(QPainter::Antialiasing, false);

        // The peak's count above it, inside the widget.
        const QPointF peak = plot.points[plot.peak];
        const QString peakText = QString::number(m_samples[plot.peak].players);
        const double peakWidth = metrics.horizontalAdvance(peakText) + 2;
        const double peakLeft = std::clamp(peak.x() - peakWidth / 2, 0.0, width() - peakWidth);
        painter.setPen(text);
        painter.drawText(QRectF(peakLeft, peak.y() - metrics.height() - 3, peakWidth, metrics.height()),
                         Qt::AlignCenter, peakText);

        for (int marked : {hoveredPoint(), currentPoint()}) {
            if (marked < 0)
                continue;
            const QPointF point = plot.points[marked];
            vLine(point.x(), area.top(), area.bottom(), HistoryColors::axis(colours));
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(HistoryColors::line(colours), 2));
            painter.setBrush(HistoryColors::background(colours));
            painter.drawEllipse(point, 4, 4);
            painter.setBrush(Qt::NoBrush);
            painter.setRenderHint(QPainter::Antialiasing, false);
        }
    }

    // The axes over the area's foot.
    hLine(area.bottom(), area.left(), area.right(), HistoryColors::axis(colours));
    vLine(area.left(), area.top(), area.bottom(), HistoryColors::axis(colours));

    if (hasFocus())
        HistoryPainting::drawFocusFrame(painter, *this, HistoryColors::background(colours));
}

void HistoryPlotView::keyPressEvent(QKeyEvent *event)
{
    const int last = int(m_samples.size()) - 1;
    if (last < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int current = currentPoint();
    const auto byTime = [this, last, current](qint64 seconds) {
        const qint64 time = m_samples[current].time + seconds;
        int index = HistoryPlotLayout::nearestSample(m_samples, time);
        // Always moves, even past a gap wider than the step.
        if (index == current)
            index = std::clamp(current + (seconds < 0 ? -1 : 1), 0, last);
        return index;
    };
    switch (event->key()) {
    case Qt::Key_Left: choose(current < 0 ? last : std::max(0, current - 1)); break;
    case Qt::Key_Right: choose(current < 0 ? 0 : std::min(last, current + 1)); break;
    case Qt::Key_Home: choose(0); break;
    case Qt::Key_End: choose(last); break;
    case Qt::Key_PageUp: choose(current < 0 ? last : byTime(-layout().tickSeconds)); break;
    case Qt::Key_PageDown: choose(current < 0 ? 0 : byTime(layout().tickSeconds)); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

int HistoryPlotView::pointAt(const QPointF &position) const
{
    return HistoryPlotLayout::nearestPoint(layout(), position.x(), kHoverDistance);
}

QString HistoryPlotView::pointText(int index) const
{
    return HistoryPlotLayout::sampleText(m_samples[index], m_zone);
}

QPointF HistoryPlotView::pointAnchor(int index) const
{
    return layout().points[index];
}
