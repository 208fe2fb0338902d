#include "ServerRowLayout.h"

#include "core/StrToIntOrZero.h"

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
