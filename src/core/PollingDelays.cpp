#include "PollingDelays.h"

#include <algorithm>

namespace PollingDelays {

int playerInfoDelaySeconds(int position)
{
    const int p = std::clamp(position, kPlayerInfoMin, kPlayerInfoMax);
    if (p <= 15)
        return p + 9;
    if (p <= 24)
        return (p - 15) * 5 + 20;
    if (p <= 36)
        return (p - 24) * 10 + 60;
    if (p <= 60)
        return (p - 36) * 30 + 180;
    if (p <= 75)
        return (p - 60) * 60 + 900;
    return (p - 75) * 300 + 1800;
}

QString serverListDelayLabel(int position)
{
    return QStringLiteral("update every %1 seconds").arg(position);
}

QString serverInfoDelayLabel(int position)
{
    // The leading blanks leave room for the check box that sits on the label.
    return QStringLiteral("     Update server info every %1 minutes").arg(position);
}

QString playerInfoDelayLabel(int position)
{
    const int s = playerInfoDelaySeconds(position);
    const QString period =
        s >= 60 ? QStringLiteral("%1:%2 minutes").arg(s / 60).arg(s % 60) : QStringLiteral("%1 seconds").arg(s);
    return QStringLiteral("     Update player info every ") + period;
}

} // namespace PollingDelays
