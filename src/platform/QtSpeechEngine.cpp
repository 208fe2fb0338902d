#include "QtSpeechEngine.h"

#include <QLocale>
#include <QTextToSpeech>
#include <QVoice>

QtSpeechEngine::QtSpeechEngine() = default;
QtSpeechEngine::~QtSpeechEngine() = default;

QTextToSpeech *QtSpeechEngine::engine()
{
    if (!m_engine)
        m_engine = std::make_unique<QTextToSpeech>();
    return m_engine->state() == QTextToSpeech::Error ? nullptr : m_engine.get();
}

std::optional<QStringList> QtSpeechEngine::voiceNames()
{
    QTextToSpeech *tts = engine();
    if (!tts)
        return std::nullopt;
    // The engine lists the voices of one locale at a time.
    QStringList names;
    const QLocale current = tts->locale();
    const auto locales = tts->availableLocales();
    for (const QLocale &locale : locales) {
        tts->setLocale(locale);
        for (const QVoice &voice : tts->availableVoices()) {
            if (!names.contains(voice.name()))
                names.append(voice.name());
        }
    }
    tts->setLocale(current);
    return names;
}

bool QtSpeechEngine::selectVoice(const QString &name)
{
    QTextToSpeech *tts = engine();
    if (!tts)
        return false;
    const auto locales = tts->availableLocales();
    for (const QLocale &locale : locales) {
        tts->setLocale(locale);
        for (const QVoice &voice : tts->availableVoices()) {
            if (voice.name() == name) {
                tts->setVoice(voice);
                return true;
            }
        }
    }
    return false;
}

void QtSpeechEngine::say(const QString &text)
{
    if (QTextToSpeech *tts = engine())
        tts->say(text);
}
