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
int PlayerInfoDelaySeconds(int position);

QString ServerListDelayLabel(int position);
QString ServerInfoDelayLabel(int position);
QString PlayerInfoDelayLabel(int position);

} // namespace PollingDelays
