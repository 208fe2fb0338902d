#pragma once

#include <QByteArray>
#include <QList>

// One score sample of the score graph: a player's frags and name.
struct AScoreInfo
{
    qint32 Score = 0;
    QByteArray Name;
};

using TScoreInfoList = QList<AScoreInfo>;
