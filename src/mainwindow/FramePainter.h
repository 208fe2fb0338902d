#pragma once

#include "viewlogic/ScoreGraphLayout.h"

#include <QList>

class QPainter;
class QPalette;

// Draws lines that end just before their second point, as the frames and
// the refresh button are specified.
void drawFrameLines(QPainter &painter, const QPalette &palette, const QList<ScoreGraphLayout::FrameLine> &lines);
