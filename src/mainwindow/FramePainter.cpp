#include "FramePainter.h"

#include "widgets/SystemColors.h"

#include <QPainter>

void drawFrameLines(QPainter &painter, const QPalette &palette, const QList<ScoreGraphLayout::FrameLine> &lines)
{
    for (const ScoreGraphLayout::FrameLine &frame : lines) {
        QLine line = frame.line;
        if (line.p1() == line.p2())
            continue;
        // Step the end back by one pixel towards the start.
        const int dx = (line.x2() > line.x1()) - (line.x2() < line.x1());
        const int dy = (line.y2() > line.y1()) - (line.y2() < line.y1());
        line.setP2(QPoint(line.x2() - dx, line.y2() - dy));
        painter.setPen(SystemColors::frame(palette, frame.color));
        painter.drawLine(line);
    }
}
