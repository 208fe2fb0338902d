#pragma once

#include <QString>

// Plays wave files without waiting for them. A missing or unreadable file,
// or no sound device, plays nothing and says nothing.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Starts the file from its beginning, also when it is playing already.
    virtual void playWave(const QString &path) = 0;
};
