#pragma once

#include "viewlogic/ScoreGraphLayout.h"

#include <QList>

class QPainter;
class QPalette;

// Draws each line up to, but not including, its second point, so that the
// one-pixel frames of bars, boxes and the refresh button meet without overlap.
void drawFrameLines(QPainter &painter, const QPalette &palette, const QList<ScoreGraphLayout::FrameLine> &lines);
