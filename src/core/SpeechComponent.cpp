#include "SpeechComponent.h"

#include "platform/SpeechEngine.h"

#include <utility>

SpeechComponent::SpeechComponent(SpeechEngine *engine)
    : m_engine(engine)
{
}

void SpeechComponent::create()
{
    if (m_created)
        return;
    m_created = true;
    const std::optional<QStringList> names = m_engine ? m_engine->voiceNames() : std::nullopt;
    if (!names) {
        m_available = false;
        m_active = false;
        return;
    }
    m_available = true;
    m_voices = *names;
    // Voices chosen before the engine was needed, in the order chosen.
    const QStringList pending = std::exchange(m_pendingVoices, {});
    for (const QString &name : pending)
        selectVoice(name);
}

bool SpeechComponent::isAvailable()
{
    create();
    return m_available;
}

QStringList SpeechComponent::voices()
{
    create();
    return m_voices;
}

void SpeechComponent::selectVoice(const QString &name)
{
    if (m_active && !m_created) {
        m_pendingVoices.append(name);
        return;
    }
    if (!m_active || !isAvailable() || !m_voices.contains(name))
        return;
    m_voiceSelected = m_engine->selectVoice(name);
}

SpeechComponent::Result SpeechComponent::speak(const QString &text)
{
    if (!m_active || !isAvailable())
        return Result::Silent;
    if (!m_voiceSelected)
        return Result::NoVoice;
    m_engine->say(text);
    return Result::Spoken;
}

SpeechComponent::Result SpeechComponent::speakBuffer()
{
    const QString text = m_buffer.join(QLatin1Char('\n'));
    if (text.trimmed().isEmpty())
        return Result::Silent;
    return speak(text);
}
