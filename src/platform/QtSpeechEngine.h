#pragma once

#include "SpeechEngine.h"

#include <memory>

class QTextToSpeech;

// Qt's text-to-speech with its default engine (flite or speech-dispatcher on
// Linux), made on first use, so a program that never speaks never loads it.
class QtSpeechEngine final : public SpeechEngine
{
public:
    QtSpeechEngine();
    ~QtSpeechEngine() override;

    std::optional<QStringList> voiceNames() override;
    bool selectVoice(const QString &name) override;
    void say(const QString &text) override;

private:
    QTextToSpeech *engine();

    std::unique_ptr<QTextToSpeech> m_engine;
};
