// The media services the window loads on first use: nothing is made before
// a call needs it, calls go to the object made, and a module that is missing
// or does not load leaves the program silent.
#include "mainwindow/DesktopNotifications.h"
#include "platform/LazyMedia.h"
#include "platform/MediaModule.h"
#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A factory that hands out one recording fake and counts how often it is asked.
struct FakeFactory
{
    template<typename Service>
    typename LazyService<Service>::Factory make()
    {
        return [this] {
            ++calls;
            auto desktop = std::make_unique<FakeDesktop>();
            made = desktop.get();
            return std::unique_ptr<Service>(std::move(desktop));
        };
    }

    int calls = 0;
    FakeDesktop *made = nullptr;
};

template<typename Service>
typename LazyService<Service>::Factory nothing(int *calls)
{
    return [calls] {
        ++*calls;
        return std::unique_ptr<Service>();
    };
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

} // namespace

TEST(LazySpeechEngine, MakesTheEngineOnTheFirstCallOnlyAndForwards)
{
    FakeFactory factory;
    LazySpeechEngine speech(factory.make<SpeechEngine>());
    EXPECT_EQ(factory.calls, 0);
    EXPECT_FALSE(speech.isLoaded());

    EXPECT_EQ(speech.voiceNames(), (QStringList{QStringLiteral("kal"), QStringLiteral("slt")}));
    EXPECT_EQ(factory.calls, 1);
    EXPECT_TRUE(speech.isLoaded());
    EXPECT_TRUE(speech.selectVoice(QStringLiteral("slt")));
    speech.say(QStringLiteral("hello"));
    EXPECT_EQ(factory.calls, 1);
    EXPECT_EQ(factory.made->spoken, QStringList{QStringLiteral("hello")});
    EXPECT_EQ(factory.made->spokenWith, QStringList{QStringLiteral("slt")});
}

TEST(LazySpeechEngine, AnyFirstCallMakesTheEngine)
{
    FakeFactory factory;
    LazySpeechEngine speech(factory.make<SpeechEngine>());
    speech.say(QStringLiteral("first"));
    EXPECT_EQ(factory.calls, 1);
    ASSERT_NE(factory.made, nullptr);
    EXPECT_EQ(factory.made->spoken, QStringList{QStringLiteral("first")});
}

TEST(LazySpeechEngine, WithoutAnEngineHasNoVoicesAndSaysNothingAndAsksOnce)
{
    int calls = 0;
    LazySpeechEngine speech(nothing<SpeechEngine>(&calls));
    EXPECT_EQ(speech.voiceNames(), std::nullopt);
    EXPECT_FALSE(speech.selectVoice(QStringLiteral("kal")));
    speech.say(QStringLiteral("hello"));
    EXPECT_EQ(calls, 1);
}

TEST(LazySoundPlayer, AFileThatIsNotThereMakesNoPlayer)
{
    FakeFactory factory;
    LazySoundPlayer sound(factory.make<SoundPlayer>());
    QTemporaryDir dir;
    sound.playWave(QString());
    sound.playWave(dir.filePath(QStringLiteral("missing.wav")));
    sound.playWave(dir.path());
    EXPECT_EQ(factory.calls, 0);
    EXPECT_FALSE(sound.isLoaded());

    const QString wave = writeFile(dir, QStringLiteral("buddy.wav"), "RIFF");
    sound.playWave(wave);
    sound.playWave(wave);
    EXPECT_EQ(factory.calls, 1);
    EXPECT_EQ(factory.made->played, (QStringList{wave, wave}));
}

TEST(LazySoundPlayer, WithoutAPlayerPlaysNothing)
{
    int calls = 0;
    LazySoundPlayer sound(nothing<SoundPlayer>(&calls));
    QTemporaryDir dir;
    const QString wave = writeFile(dir, QStringLiteral("buddy.wav"), "RIFF");
    sound.playWave(wave);
    sound.playWave(wave);
    EXPECT_EQ(calls, 1);
}

TEST(LazyDesktopNotifier, MakesTheNotifierOnTheFirstNotificationAndForwards)
{
    FakeFactory factory;
    LazyDesktopNotifier notifier(factory.make<DesktopNotifier>());
    EXPECT_EQ(factory.calls, 0);
    notifier.notify(QStringLiteral("Quorvelin"), QStringLiteral("kal joined"));
    notifier.notify(QStringLiteral("Quorvelin"), QStringLiteral("slt joined"));
    EXPECT_EQ(factory.calls, 1);
    EXPECT_EQ(factory.made->notified,
              (QStringList{QStringLiteral("Quorvelin|kal joined"), QStringLiteral("Quorvelin|slt joined")}));
}

TEST(DesktopNotifications, WithoutATrayGoesToTheDesktopsNotifier)
{
    FakeDesktop desktop;
    DesktopNotifications notifications(desktop);
    notifications.notify(QStringLiteral("Quorvelin"), QStringLiteral("kal joined"));
    EXPECT_EQ(desktop.notified, QStringList{QStringLiteral("Quorvelin|kal joined")});
}

TEST(MediaModule, WithoutTheModuleMakesNothingAndTheServicesStaySilent)
{
    QTemporaryDir dir;
    MediaModule media(MediaModule::standardLocations(dir.filePath(QStringLiteral("bin"))));
    EXPECT_FALSE(media.loadTried());

    LazySpeechEngine speech([&media] { return media.createSpeechEngine(); });
    LazySoundPlayer sound([&media] { return media.createSoundPlayer(); });
    LazyDesktopNotifier notifier([&media] { return media.createDesktopNotifier(); });
    EXPECT_EQ(speech.voiceNames(), std::nullopt);
    EXPECT_FALSE(speech.selectVoice(QStringLiteral("kal")));
    speech.say(QStringLiteral("hello"));
    sound.playWave(writeFile(dir, QStringLiteral("buddy.wav"), "RIFF"));
    notifier.notify(QStringLiteral("Quorvelin"), QStringLiteral("kal joined"));
    EXPECT_TRUE(media.loadTried());
    EXPECT_FALSE(media.isLoaded());
}

TEST(MediaModule, AModuleThatDoesNotLoadMakesNothing)
{
    // As when a library the module needs is not installed.
    QTemporaryDir dir;
    const QString broken = writeFile(dir, QStringLiteral("quorvelin-media.so"), "not a library");
    MediaModule media({broken});
    EXPECT_EQ(media.createSpeechEngine(), nullptr);
    EXPECT_EQ(media.createSoundPlayer(), nullptr);
    EXPECT_EQ(media.createDesktopNotifier(), nullptr);
    EXPECT_TRUE(media.loadTried());
    EXPECT_FALSE(media.isLoaded());
}

TEST(MediaModule, TheBuiltModuleIsFoundBesideTheProgramAndMakesEveryService)
{
    const QString programDir = QFileInfo(QStringLiteral(QUORVELIN_MEDIA_MODULE)).absolutePath();
    MediaModule media(MediaModule::standardLocations(programDir));
    const std::unique_ptr<SpeechEngine> speech = media.createSpeechEngine();
    EXPECT_TRUE(media.isLoaded());
    const std::unique_ptr<SoundPlayer> sound = media.createSoundPlayer();
    const std::unique_ptr<DesktopNotifier> notifier = media.createDesktopNotifier();
    EXPECT_NE(speech, nullptr);
    EXPECT_NE(sound, nullptr);
    ASSERT_NE(notifier, nullptr);

    // Without a sound file or a session bus nothing plays or shows, and nothing fails.
    QTemporaryDir dir;
    sound->playWave(dir.filePath(QStringLiteral("missing.wav")));
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            QByteArray("unix:path=") + QFile::encodeName(dir.filePath(QStringLiteral("bus"))));
    notifier->notify(QStringLiteral("Quorvelin"), QStringLiteral("kal joined"));
}

TEST(MediaModule, TheInstalledModuleIsFoundInLibQuorvelin)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("lib/quorvelin")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORVELIN_MEDIA_MODULE),
                            prefix.filePath(QStringLiteral("lib/quorvelin/quorvelin-media.so"))));
    MediaModule media(MediaModule::standardLocations(prefix.filePath(QStringLiteral("bin"))));
    EXPECT_NE(media.createSoundPlayer(), nullptr);
    EXPECT_TRUE(media.isLoaded());
}
