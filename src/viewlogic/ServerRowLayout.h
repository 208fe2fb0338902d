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

// Colours are red + 256 x green + 65536 x blue; higher bits are ignored.
constexpr quint32 kBlack = 0x000000;
constexpr quint32 kWhite = 0xffffff;

// The contrast of two colours as the web content accessibility guidelines
// measure it: from 1 (the same) to 21 (black and white).
double contrastRatio(quint32 a, quint32 b);

// Black or white, whichever contrasts more with the load box's colour. One
// of the two always reaches 4.5 to 1, whatever colour the user picked.
quint32 loadTextColor(quint32 box);

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
