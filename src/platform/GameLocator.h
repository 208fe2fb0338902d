#pragma once

#include <QString>

// Finds the base directory of an installed copy of the game.
class GameLocator
{
public:
    virtual ~GameLocator() = default;
    // Empty when no installation is found.
    virtual QString findBaseDirectory() = 0;
};
