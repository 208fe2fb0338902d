#include "ServerRowLayout.h"

#include "core/StrToIntOrZero.h"

#include <algorithm>
#include <cmath>

namespace ServerRowLayout {

LoadLevel loadLevel(const QByteArray &current, const QByteArray &maximum)
{
    const int c = strToIntOrZero(current);
    const int m = strToIntOrZero(maximum);
    LoadLevel level = c < m / 2 ? LoadLevel::BelowHalf : LoadLevel::HalfOrMore;
    if (c == m)
        level = LoadLevel::Full;
    if (m == 0)
        level = LoadLevel::Background;
    return level;
}

namespace {

// The relative luminance of an sRGB colour, from 0 for black to 1 for white.
double luminance(quint32 color)
{
    const auto linear = [](quint32 channel) {
        const double c = (channel & 0xff) / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color) + 0.7152 * linear(color >> 8) + 0.0722 * linear(color >> 16);
}

} // namespace

double contrastRatio(quint32 a, quint32 b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

quint32 loadTextColor(quint32 box)
{
    return contrastRatio(kWhite, box) > contrastRatio(kBlack, box) ? kWhite : kBlack;
}

QString countText(const QByteArray &count)
{
    const QString text = QString::fromLatin1(count);
    if (text.isEmpty())
        return QStringLiteral(" 0");
    return text.size() == 1 ? QLatin1Char(' ') + text : text;
}

bool isRefreshClick(int x, int itemHeight)
{
    return itemHeight < x && x < 2 * itemHeight;
}

QString hintAt(int x)
{
    if (x >= 0 && x <= 14)
        return QStringLiteral("Check this to monitor the server for joins/parts");
    if (x >= 15 && x <= 30)
        return QStringLiteral("Click this to refresh the infor about the server");
    return QStringLiteral("List with all the server that can be monitored");
}

int loadTextTop(int rowTop, int itemHeight, int fontPoints)
{
    return rowTop + (itemHeight - fontPoints) / 10;
}

int nameTextTop(int rowTop, int itemHeight, int fontPoints)
{
    return rowTop + (itemHeight - fontPoints) / 8;
}

} // namespace ServerRowLayout
