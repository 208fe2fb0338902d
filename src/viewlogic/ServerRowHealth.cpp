#include "ServerRowHealth.h"

#include "ServerRowLayout.h"

#include <cstdlib>

namespace ServerRowHealth {

namespace {

// The grey level (0 to 255) of a colour, weighted as the eye sees its channels.
int greyLevel(quint32 color)
{
    const int r = static_cast<int>(color & 0xff);
    const int g = static_cast<int>((color >> 8) & 0xff);
    const int b = static_cast<int>((color >> 16) & 0xff);
    return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

} // namespace

quint32 staleBoxColor(quint32 load, quint32 background)
{
    const int back = greyLevel(background);
    int level = (greyLevel(load) + back) / 2;
    if (std::abs(level - back) < kStaleContrast)
        level = back >= 128 ? back - kStaleContrast : back + kStaleContrast;
    const auto grey = static_cast<quint32>(level);
    return grey | grey << 8 | grey << 16;
}

std::array<QPoint, 3> partialMark(int boxLeft, int top)
{
    const int right = boxLeft + ServerRowLayout::kLoadBoxWidth - 1;
    const int reach = kPartialMarkSize - 1;
    return {QPoint(right - reach, top), QPoint(right, top), QPoint(right, top + reach)};
}

} // namespace ServerRowHealth
