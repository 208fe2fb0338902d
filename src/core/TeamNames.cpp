#include "TeamNames.h"

namespace TeamNames {

QString name(int team)
{
    static const QString kNames[] = {QStringLiteral("Red"), QStringLiteral("Blue"), QStringLiteral("Green"),
                                     QStringLiteral("Gold"), QStringLiteral("None")};
    return team >= 0 && team <= 3 ? kNames[team] : kNames[4];
}

} // namespace TeamNames
