#pragma once

#include <QColor>
#include <QPalette>

#include <algorithm>

// The history views' colours, all mixed from the widget's palette so that
// light and dark themes both read well.
namespace HistoryColors {

inline QColor mix(const QColor &from, const QColor &to, double amount)
{
    const auto channel = [amount](int a, int b) { return int(a + (b - a) * amount + 0.5); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

inline QColor background(const QPalette &palette)
{
    return palette.color(QPalette::Base);
}

inline QColor text(const QPalette &palette)
{
    return palette.color(QPalette::Text);
}

inline QColor grid(const QPalette &palette)
{
    return mix(background(palette), text(palette), 0.16);
}

inline QColor axis(const QPalette &palette)
{
    return mix(background(palette), text(palette), 0.5);
}

inline QColor line(const QPalette &palette)
{
    return palette.color(QPalette::Highlight);
}

inline QColor area(const QPalette &palette)
{
    return mix(background(palette), line(palette), 0.3);
}

// An hour nobody played stays visibly apart from an hour without samples.
inline QColor ramp(const QPalette &palette, double level)
{
    return mix(background(palette), line(palette), 0.12 + 0.88 * std::clamp(level, 0.0, 1.0));
}

inline QColor noData(const QPalette &palette)
{
    return mix(background(palette), text(palette), 0.3);
}

} // namespace HistoryColors
