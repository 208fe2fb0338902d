#pragma once

#include <QPaintEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWidget>

// What the history views share when they paint.
namespace HistoryPainting {

// The pixels per unit of what is painted on: the screen's when a widget
// paints itself, the image's when it is rendered into one.
inline double devicePixelRatio(const QPainter &painter)
{
    return painter.paintEngine()->paintDevice()->devicePixelRatio();
}

// The style's focus frame just inside the widget, so that a plot shows it has the keyboard.
inline void drawFocusFrame(QPainter &painter, const QWidget &widget, const QColor &background)
{
    QStyleOptionFocusRect focus;
    focus.initFrom(&widget);
    focus.rect = widget.rect().adjusted(1, 1, -1, -1);
    focus.backgroundColor = background;
    widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &widget);
}

} // namespace HistoryPainting
