#pragma once

#include "SoundPlayer.h"

#include <memory>

class QSoundEffect;

// Wave files through Qt Multimedia; the audio output is opened on the first sound.
class QtSoundPlayer final : public SoundPlayer
{
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void playWave(const QString &path) override;

private:
    std::unique_ptr<QSoundEffect> m_effect;
};
