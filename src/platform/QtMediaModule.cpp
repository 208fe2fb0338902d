// The media module's factories: the objects whose libraries the window
// loads only when it first speaks, plays a sound or notifies.
#include "DBusNotifier.h"
#include "MediaModule.h"
#include "QtSoundPlayer.h"
#include "QtSpeechEngine.h"

extern "C" Q_DECL_EXPORT SpeechEngine *quorvelinCreateSpeechEngine()
{
    return new QtSpeechEngine;
}

extern "C" Q_DECL_EXPORT SoundPlayer *quorvelinCreateSoundPlayer()
{
    return new QtSoundPlayer;
}

extern "C" Q_DECL_EXPORT DesktopNotifier *quorvelinCreateDesktopNotifier()
{
    return new DBusNotifier;
}
