#include "LazyMedia.h"

#include <QFileInfo>

LazySpeechEngine::LazySpeechEngine(LazyService<SpeechEngine>::Factory factory)
    : m_engine(std::move(factory))
{
}

std::optional<QStringList> LazySpeechEngine::voiceNames()
{
    SpeechEngine *engine = m_engine.get();
    return engine ? engine->voiceNames() : std::nullopt;
}

bool LazySpeechEngine::selectVoice(const QString &name)
{
    SpeechEngine *engine = m_engine.get();
    return engine && engine->selectVoice(name);
}

void LazySpeechEngine::say(const QString &text)
{
    if (SpeechEngine *engine = m_engine.get())
        engine->say(text);
}

LazySoundPlayer::LazySoundPlayer(LazyService<SoundPlayer>::Factory factory)
    : m_player(std::move(factory))
{
}

void LazySoundPlayer::playWave(const QString &path)
{
    // A file that is not there plays nothing, so it needs no player.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    if (SoundPlayer *player = m_player.get())
        player->playWave(path);
}

LazyDesktopNotifier::LazyDesktopNotifier(LazyService<DesktopNotifier>::Factory factory)
    : m_notifier(std::move(factory))
{
}

void LazyDesktopNotifier::notify(const QString &title, const QString &text)
{
    if (DesktopNotifier *notifier = m_notifier.get())
        notifier->notify(title, text);
}
