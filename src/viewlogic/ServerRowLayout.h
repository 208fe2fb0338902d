#pragma once

#include <QByteArray>
#include <QString>

// How one row of the server list is laid out and coloured. x positions are
// in list coordinates: the check box takes the first kCheckWidth pixels,
// the refresh button the square after it, then the load box and the name.
namespace ServerRowLayout {

constexpr int kItemHeight = 16;
constexpr int kCheckWidth = 15;
constexpr int kLoadBoxWidth = 45;
// Offsets of the load box's parts from its left edge, and of the name.
constexpr int kOpenBracketX = 0;
constexpr int kCurrentX = 6;
constexpr int kBarX = 19;
constexpr int kMaximumX = 25;
constexpr int kCloseBracketX = 38;
constexpr int kNameX = 47;

enum class LoadLevel { Background, BelowHalf, HalfOrMore, Full };

// Below half, half or more, full; the background when the maximum is 0.
LoadLevel loadLevel(const QByteArray &current, const QByteArray &maximum);

// A count as the box shows it: at least two characters, " 0" when empty.
QString countText(const QByteArray &count);

// True when a click at list x lands on the refresh button.
bool isRefreshClick(int x, int itemHeight = kItemHeight);

// The hint for the pointer at list x.
QString hintAt(int x);

// Text tops inside a row of the given height for a font of the given size
// in points: the load box's text and the name's.
int loadTextTop(int rowTop, int itemHeight, int fontPoints);
int nameTextTop(int rowTop, int itemHeight, int fontPoints);

} // namespace ServerRowLayout
