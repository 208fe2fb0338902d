#pragma once

#include <QString>

// The three delay sliders: their ranges, what a position means and the
// label that reads it out.
namespace PollingDelays {

constexpr int kServerListMin = 10;
constexpr int kServerListMax = 60;
constexpr int kServerInfoMin = 1;
constexpr int kServerInfoMax = 60;
constexpr int kPlayerInfoMin = 1;
constexpr int kPlayerInfoMax = 81;

// Seconds between two player-info refreshes for a slider position.
int playerInfoDelaySeconds(int position);

QString serverListDelayLabel(int position);
QString serverInfoDelayLabel(int position);
QString playerInfoDelayLabel(int position);

} // namespace PollingDelays
