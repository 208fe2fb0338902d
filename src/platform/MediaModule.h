#pragma once

#include <QLibrary>
#include <QStringList>

#include <memory>

class DesktopNotifier;
class SoundPlayer;
class SpeechEngine;

// The factories the media module (quorvelin-media.so) exports. Each returns a
// new object that the caller owns; the module stays loaded while it lives.
extern "C" {
using QuorvelinCreateSpeechEngine = SpeechEngine *(*)();
using QuorvelinCreateSoundPlayer = SoundPlayer *(*)();
using QuorvelinCreateDesktopNotifier = DesktopNotifier *(*)();
}

// The media module: Qt's speech, Qt Multimedia's sound and the desktop's
// notifications over the session bus, with the libraries they need. The
// window starts without it; the first object asked for loads it. A module
// that is missing or does not load, or lacks a factory, gives no objects.
class MediaModule final
{
public:
    static constexpr const char *kBaseName = "quorvelin-media";

    // The first of the files that exists is loaded.
    explicit MediaModule(QStringList candidates);
    // Beside the executable, as in a build tree or a portable copy, then in
    // <prefix>/lib/quorvelin/ when installed, as for the window module.
    static QStringList standardLocations(const QString &programDir);

    std::unique_ptr<SpeechEngine> createSpeechEngine();
    std::unique_ptr<SoundPlayer> createSoundPlayer();
    std::unique_ptr<DesktopNotifier> createDesktopNotifier();

    // Whether a load was tried, and whether it worked.
    bool loadTried() const { return m_tried; }
    bool isLoaded() const { return m_library.isLoaded(); }

private:
    QFunctionPointer resolve(const char *symbol);

    QStringList m_candidates;
    QLibrary m_library;
    bool m_tried = false;
};
