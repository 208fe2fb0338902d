#pragma once

#include "viewlogic/ScoreGraphLayout.h"

#include <QColor>
#include <QPalette>

// The desktop's colours as the views use them, taken from the widget's
// palette so that dark themes read well too.
namespace SystemColors {

inline QColor frame(const QPalette &palette, ScoreGraphLayout::FrameColor role)
{
    switch (role) {
    case ScoreGraphLayout::FrameColor::Light: return palette.color(QPalette::Midlight);
    case ScoreGraphLayout::FrameColor::DarkShadow: return palette.color(QPalette::Shadow);
    case ScoreGraphLayout::FrameColor::Highlight: return palette.color(QPalette::Light);
    case ScoreGraphLayout::FrameColor::Shadow: return palette.color(QPalette::Dark);
    }
    return {};
}

// A colour stored as red + 256 x green + 65536 x blue.
inline QColor fromPlatform(quint32 value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

// The stored form of a colour.
inline int toPlatform(const QColor &color)
{
    return color.red() + 256 * color.green() + 65536 * color.blue();
}

} // namespace SystemColors
