#include "HistoryBusyHoursView.h"

#include "HistoryColors.h"
#include "HistoryPainting.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

HistoryBusyHoursView::HistoryBusyHoursView(QWidget *parent)
    : HistoryPointView(parent)
{
    m_hours.fill(-1);
    setObjectName(QStringLiteral("pbx_BusyHours"));
    setAccessibleName(QStringLiteral("Busy hours of the week"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    describe();
}

void HistoryBusyHoursView::setHours(const WeekHours &hours)
{
    m_hours = hours;
    resetPoints(currentPoint());
}

HistoryPlotLayout::BusyGrid HistoryBusyHoursView::layout() const
{
    return layoutFor(devicePixelRatio());
}

HistoryPlotLayout::BusyGrid HistoryBusyHoursView::layoutFor(double devicePixelRatio) const
{
    const QFontMetricsF metrics(font());
    HistoryPlotLayout::BusyOptions options;
    options.devicePixelRatio = devicePixelRatio;
    options.dayLabelWidth = metrics.horizontalAdvance(QStringLiteral("Wed")) + 10;
    options.textHeight = metrics.height();
    options.minHourLabelSpacing = metrics.horizontalAdvance(QStringLiteral("00")) + 8;
    options.legendLabelWidth = metrics.horizontalAdvance(QStringLiteral("000.0 players")) + 8;
    const QRectF area = QRectF(rect()).adjusted(4, 4, -6, -4);
    return HistoryPlotLayout::layoutBusyHours(m_hours, area, options);
}

void HistoryBusyHoursView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const double ratio = HistoryPainting::devicePixelRatio(painter);
    const QPalette &colours = palette();
    painter.fillRect(rect(), HistoryColors::background(colours));
    const HistoryPlotLayout::BusyGrid grid = layoutFor(ratio);
    const QFontMetricsF metrics(font());
    const QColor text = HistoryColors::text(colours);
    const QBrush hatch(HistoryColors::noData(colours), Qt::BDiagPattern);

    for (const HistoryPlotLayout::BusyCell &cell : grid.cells) {
        if (cell.level < 0)
            painter.fillRect(cell.rect, hatch);
        else
            painter.fillRect(cell.rect, HistoryColors::ramp(colours, cell.level));
    }
    for (int marked : {hoveredPoint(), currentPoint()}) {
        if (marked < 0)
            continue;
        const QRectF box = grid.cells[marked].rect;
        const double pen = HistoryPlotLayout::crispLine(0, ratio).width;
        painter.setPen(QPen(text, 2 * pen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(box.adjusted(pen, pen, -pen, -pen));
    }

    painter.setPen(text);
    const double labelRight = grid.cells.first().rect.left() - 5;
    for (const HistoryPlotLayout::Tick &label : grid.dayLabels)
        painter.drawText(QRectF(0, label.pos - metrics.height() / 2, labelRight, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, label.label);
    const double labelTop = grid.cells.first().rect.top() - metrics.height() - 2;
    for (const HistoryPlotLayout::Tick &label : grid.hourLabels) {
        const double half = metrics.horizontalAdvance(label.label) / 2 + 1;
        painter.drawText(QRectF(label.pos - half, labelTop, 2 * half, metrics.height()), Qt::AlignCenter, label.label);
    }

    // The legend: the hatch of an hour without samples, then the ramp.
    const QRectF noData = grid.legendNoData;
    painter.fillRect(noData, hatch);
    painter.drawText(
        QRectF(noData.right() + 4, noData.top(), grid.legendRamp.left() - noData.right() - 8, noData.height()),
        Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No data"));
    const QRectF ramp = grid.legendRamp;
    if (ramp.width() > 0) {
        QLinearGradient gradient(ramp.topLeft(), ramp.topRight());
        for (double stop : {0.0, 0.25, 0.5, 0.75, 1.0})
            gradient.setColorAt(stop, HistoryColors::ramp(colours, stop));
        painter.fillRect(ramp, gradient);
        const double zeroWidth = metrics.horizontalAdvance(QStringLiteral("0")) + 2;
        painter.drawText(QRectF(ramp.left() - zeroWidth - 4, ramp.top(), zeroWidth, ramp.height()),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
        painter.drawText(QRectF(ramp.right() + 4, ramp.top(), width() - ramp.right() - 4, ramp.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, grid.legendMax);
    }

    if (hasFocus())
        HistoryPainting::drawFocusFrame(painter, *this, HistoryColors::background(colours));
}

void HistoryBusyHoursView::keyPressEvent(QKeyEvent *event)
{
    // Without a chosen hour, the first key starts at the busiest one.
    int start = currentPoint();
    if (start < 0) {
        const QList<HistoryPlotLayout::BusyHour> busiest = HistoryPlotLayout::busiestHours(m_hours, 1);
        start = busiest.isEmpty() ? 0 : busiest.first().day * 24 + busiest.first().hour;
    }
    const int day = start / 24;
    const int hour = start % 24;
    int next = start;
    switch (event->key()) {
    case Qt::Key_Left: next = day * 24 + std::max(0, hour - 1); break;
    case Qt::Key_Right: next = day * 24 + std::min(23, hour + 1); break;
    case Qt::Key_Up: next = std::max(0, day - 1) * 24 + hour; break;
    case Qt::Key_Down: next = std::min(6, day + 1) * 24 + hour; break;
    case Qt::Key_Home: next = day * 24; break;
    case Qt::Key_End: next = day * 24 + 23; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (currentPoint() < 0)
        next = start;
    choose(next);
    event->accept();
}

int HistoryBusyHoursView::pointAt(const QPointF &position) const
{
    return HistoryPlotLayout::busyCellAt(layout(), position);
}

QString HistoryBusyHoursView::pointText(int index) const
{
    return HistoryPlotLayout::busyCellText(layout().cells[index]);
}

QPointF HistoryBusyHoursView::pointAnchor(int index) const
{
    return layout().cells[index].rect.center();
}

QString HistoryBusyHoursView::summaryText() const
{
    const QList<HistoryPlotLayout::BusyHour> busiest = HistoryPlotLayout::busiestHours(m_hours, 1);
    if (busiest.isEmpty())
        return QStringLiteral("No busy hours yet");
    HistoryPlotLayout::BusyCell cell;
    cell.day = busiest.first().day;
    cell.hour = busiest.first().hour;
    cell.value = busiest.first().value;
    return QStringLiteral("Busiest: ") + HistoryPlotLayout::busyCellText(cell)
           + QStringLiteral(". The arrow keys step through the hours and days.");
}
