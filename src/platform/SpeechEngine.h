#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// A text-to-speech engine: its voices by name, the voice to speak with,
// and speech that runs on its own while the caller goes on.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;
    // The names of the installed voices in the engine's order; nothing when
    // there is no engine or it cannot list them.
    virtual std::optional<QStringList> voiceNames() = 0;
    // False when the engine could not take the voice.
    virtual bool selectVoice(const QString &name) = 0;
    virtual void say(const QString &text) = 0;
};
