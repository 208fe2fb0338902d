#pragma once

#include <QPoint>
#include <QString>

#include <array>

// How a row of the server list shows a server that stopped answering or
// answered in part: a grey load box and a mark in its corner.
namespace ServerRowHealth {

// The load box of a stale server: a grey as light as the load colour, drawn
// halfway to the row's background and kept far enough from it to be seen,
// on light and dark palettes alike. Colours are red + 256 x green + 65536 x blue.
quint32 staleBoxColor(quint32 load, quint32 background);

// Grey levels a stale box keeps from the background at least.
constexpr int kStaleContrast = 48;

// The mark of a partial reply: a small triangle filling the load box's top
// right corner, from the box's left edge and the row's top.
constexpr int kPartialMarkSize = 5;
std::array<QPoint, 3> partialMark(int boxLeft, int top);

} // namespace ServerRowHealth
