#pragma once

#include <QString>

// One entry of a simulated server's \players\ reply.
struct SimulatedPlayer final
{
    QString name;
    int frags = 0;
    int ping = 50;
    int team = 255; // 255 is "no team", what DM servers report
    QString mesh = QStringLiteral("Male Commando");
    QString skin = QStringLiteral("CommandoSkins.cmdo");
    QString face = QStringLiteral("CommandoSkins.Blake");
    QString ngsecret = QStringLiteral("true"); // true, false or bot

    friend bool operator==(const SimulatedPlayer &, const SimulatedPlayer &) = default;
};
