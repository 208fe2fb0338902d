#pragma once

#include "DesktopNotifier.h"
#include "SoundPlayer.h"
#include "SpeechEngine.h"

#include <functional>
#include <memory>

// An object made by its factory on the first call that needs it, at most
// once. A factory that gives nothing leaves it missing for good.
template<typename Service>
class LazyService final
{
public:
    using Factory = std::function<std::unique_ptr<Service>()>;

    explicit LazyService(Factory factory)
        : m_factory(std::move(factory))
    {
    }

    bool wasAsked() const { return m_asked; }

    Service *get()
    {
        if (!m_asked) {
            m_asked = true;
            if (m_factory)
                m_service = m_factory();
            m_factory = nullptr;
        }
        return m_service.get();
    }

private:
    Factory m_factory;
    std::unique_ptr<Service> m_service;
    bool m_asked = false;
};

// Speech through an engine that is made on the first call; without one
// there are no voices and nothing is said.
class LazySpeechEngine final : public SpeechEngine
{
public:
    explicit LazySpeechEngine(LazyService<SpeechEngine>::Factory factory);

    bool isLoaded() const { return m_engine.wasAsked(); }

    std::optional<QStringList> voiceNames() override;
    bool selectVoice(const QString &name) override;
    void say(const QString &text) override;

private:
    LazyService<SpeechEngine> m_engine;
};

// Sounds through a player that is made for the first file that exists;
// without one nothing plays.
class LazySoundPlayer final : public SoundPlayer
{
public:
    explicit LazySoundPlayer(LazyService<SoundPlayer>::Factory factory);

    bool isLoaded() const { return m_player.wasAsked(); }

    void playWave(const QString &path) override;

private:
    LazyService<SoundPlayer> m_player;
};

// Notifications through a notifier that is made on the first one; without
// one nothing is shown.
class LazyDesktopNotifier final : public DesktopNotifier
{
public:
    explicit LazyDesktopNotifier(LazyService<DesktopNotifier>::Factory factory);

    bool isLoaded() const { return m_notifier.wasAsked(); }

    void notify(const QString &title, const QString &text) override;

private:
    LazyService<DesktopNotifier> m_notifier;
};
