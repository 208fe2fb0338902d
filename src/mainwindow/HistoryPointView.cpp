#include "HistoryPointView.h"

#include "widgets/PlainToolTip.h"

#include <QMouseEvent>
#include <QToolTip>

HistoryPointView::HistoryPointView(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void HistoryPointView::choose(int index)
{
    m_current = index;
    describe();
    showTip(index);
    update();
}

void HistoryPointView::resetPoints(int current)
{
    m_current = current;
    m_hover = -1;
    describe();
    update();
}

void HistoryPointView::describe()
{
    const QString text = m_current >= 0 ? pointText(m_current) : summaryText();
    setToolTip(plainToolTip(text));
    // Tells a screen reader, so only when the text is new.
    if (accessibleDescription() != text)
        setAccessibleDescription(text);
}

void HistoryPointView::showTip(int index)
{
    if (index < 0 || !isVisible()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(mapToGlobal(pointAnchor(index).toPoint() + QPoint(6, 6)), plainToolTip(pointText(index)), this);
}

void HistoryPointView::mouseMoveEvent(QMouseEvent *event)
{
    const int hover = pointAt(event->position());
    if (hover == m_hover)
        return;
    m_hover = hover;
    showTip(hover);
    update();
}

void HistoryPointView::leaveEvent(QEvent *)
{
    if (m_hover < 0)
        return;
    m_hover = -1;
    QToolTip::hideText();
    update();
}

bool HistoryPointView::event(QEvent *event)
{
    // The mouse's point has its own tip; the keyboard's text is only for
    // the property and for screen readers.
    if (event->type() == QEvent::ToolTip) {
        if (m_hover >= 0)
            showTip(m_hover);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
