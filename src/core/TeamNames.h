#pragma once

#include <QString>

namespace TeamNames {

// "Red", "Blue", "Green", "Gold" for teams 0 to 3, "None" for anything
// else (255 is what servers send for no team).
QString name(int team);

} // namespace TeamNames
