#pragma once

#include "platform/DesktopNotifier.h"
#include "platform/DesktopServices.h"
#include "platform/ProcessLauncher.h"
#include "platform/SoundPlayer.h"
#include "platform/SpeechEngine.h"
#include "platform/UrlOpener.h"

// Stand-ins for the desktop services a window was not given: no engine to
// speak with, no sound, nothing shown, opened or started.
struct SilentDesktop final : SpeechEngine, SoundPlayer, DesktopNotifier, UrlOpener, ProcessLauncher
{
    std::optional<QStringList> voiceNames() override { return std::nullopt; }
    bool selectVoice(const QString &) override { return false; }
    void say(const QString &) override {}
    void playWave(const QString &) override {}
    void notify(const QString &, const QString &) override {}
    bool open(const QUrl &) override { return false; }
    bool startDetached(const QString &, const QStringList &) override { return false; }

    // The services given, with this standing in for those left out.
    DesktopServices fill(DesktopServices given)
    {
        if (!given.speech)
            given.speech = this;
        if (!given.sound)
            given.sound = this;
        if (!given.notifier)
            given.notifier = this;
        if (!given.urls)
            given.urls = this;
        if (!given.processes)
            given.processes = this;
        return given;
    }
};
