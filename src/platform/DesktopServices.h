#pragma once

class DesktopNotifier;
class ProcessLauncher;
class SoundPlayer;
class SpeechEngine;
class UrlOpener;

// The desktop's services the window uses, none owned. One left out is a
// silent stand-in: nothing is spoken, played, shown, opened or started.
struct DesktopServices
{
    SpeechEngine *speech = nullptr;
    SoundPlayer *sound = nullptr;
    DesktopNotifier *notifier = nullptr;
    UrlOpener *urls = nullptr;
    ProcessLauncher *processes = nullptr;
};
