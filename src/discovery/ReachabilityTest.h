#pragma once

#include <QByteArrayView>
#include <QString>

// Judges the reply to a "\basic\" query: a server of this game answers
// "\gamename\ut\gamever\NNN...", so "ut" stands at characters 11 and 12
// and the version begins at character 22.
namespace ReachabilityTest {

struct Verdict
{
    bool found = false;
    QString text;
};

Verdict judge(QByteArrayView datagram);

} // namespace ReachabilityTest
