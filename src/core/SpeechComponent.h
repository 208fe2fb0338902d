#pragma once

#include <QString>
#include <QStringList>

class SpeechEngine;

// What the program asks of a speech engine: the voice list, a voice chosen
// by name, an on/off switch, and speech of a text or of a buffer of lines.
// The engine is first asked for its voices when one is needed, so a
// component that is switched off never starts one.
class SpeechComponent final
{
public:
    // Speech through the engine; none: never available.
    explicit SpeechComponent(SpeechEngine *engine);

    // Whether the voice list could be read.
    bool isAvailable();
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    bool hasVoice() const { return m_voiceSelected; }
    QStringList voices();

    // Only when available and active: takes a voice of the list; another
    // name changes nothing. Before the engine is first needed the choice is
    // kept and made then, so choosing a voice at start loads no engine.
    void selectVoice(const QString &name);

    enum class Result { Spoken, Silent, NoVoice };
    // Only when available and active; NoVoice when no voice was selected,
    // for the caller to say "Speech Engine not selected".
    Result speak(const QString &text);
    // The buffer's lines as one text; an empty buffer says nothing.
    Result speakBuffer();

    QStringList &buffer() { return m_buffer; }

private:
    void create();

    SpeechEngine *m_engine;
    bool m_created = false;
    bool m_available = false;
    bool m_active = true;
    bool m_voiceSelected = false;
    QStringList m_voices;
    QStringList m_pendingVoices;
    QStringList m_buffer;
};
