#pragma once

#include "QtPrinters.h"
#include "platform/PlatformServices.h"
#include "platform/FileDialogs.h"
#include "platform/HostResolver.h"
#include "platform/LocalTime.h"
#include "platform/MessageBoxes.h"
#include "platform/TickClock.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <utility>

class FakeTickClock final : public TickClock
{
public:
    quint32 tickCount() const override { return now; }
    void advance(quint32 milliseconds) { now += milliseconds; }
    quint32 now = 1000;
};

class FakeLocalTime final : public LocalTime
{
public:
    QString longTimeText() const override { return text; }
    QString text = QStringLiteral("12:00:00");
};

// Answers at once; whileOpen runs as though the user did something else
// while a box was open, as timers and sockets do under a real modal box.
class FakeMessageBoxes final : public MessageBoxes
{
public:
    void showError(const QString &text) override { open(errors, text); }
    void showWarning(const QString &text) override { open(warnings, text); }
    void showInformation(const QString &text) override { open(informations, text); }
    bool confirm(const QString &text) override
    {
        open(questions, text);
        return nextAnswer;
    }

    std::function<void()> whileOpen;

    QStringList errors;
    QStringList warnings;
    QStringList informations;
    QStringList questions;
    bool nextAnswer = false;

private:
    void open(QStringList &shown, const QString &text)
    {
        shown.append(text);
        if (whileOpen)
            std::exchange(whileOpen, nullptr)();
    }
};

class FakeFileDialogs final : public FileDialogs
{
public:
    QString openFile(const QString &title, const QString &filter, const QString &directory) override
    {
        requests.append(title + QLatin1Char('|') + filter + QLatin1Char('|') + directory);
        return nextFile;
    }
    // Refuses nextDirectory as the real dialog does when acceptable says no.
    QString chooseDirectory(const QString &title, const QString &start,
                            std::function<bool(const QString &)> acceptable = {}) override
    {
        directoryRequests.append(title + QLatin1Char('|') + start);
        lastAcceptable = acceptable;
        return acceptable && !acceptable(nextDirectory) ? QString() : nextDirectory;
    }

    QStringList requests;
    QString nextFile;
    QStringList directoryRequests;
    QString nextDirectory;
    std::function<bool(const QString &)> lastAcceptable;
};

// Answers names through the map, after the event loop came round, as a
// name service would; a name that is not in the map fails. With holdAnswers
// set, questions wait in pending until answerPending().
class FakeHostResolver final : public HostResolver
{
    Q_OBJECT
public:
    void lookUp(const QString &name) override;
    void answerPending();

    QHash<QString, QString> names;
    QStringList lookUps;
    QStringList pending;
    bool holdAnswers = false;
};

// All fakes together, wired into a PlatformServices.
struct FakePlatform
{
    FakePlatform();

    FakeTickClock clock;
    FakeLocalTime localTime;
    FakeMessageBoxes messages;
    FakeHostResolver resolver;
    FakeFileDialogs files;
    PlatformServices services;
};

#include "platform/DesktopNotifier.h"
#include "platform/DesktopServices.h"
#include "platform/ProcessLauncher.h"
#include "platform/SoundPlayer.h"
#include "platform/SpeechEngine.h"
#include "platform/UrlOpener.h"

// The desktop's services, recording what was spoken, played, shown,
// opened and started.
struct FakeDesktop final : SpeechEngine, SoundPlayer, DesktopNotifier, UrlOpener, ProcessLauncher
{
    std::optional<QStringList> voiceNames() override
    {
        ++voiceListings;
        return voices;
    }
    bool selectVoice(const QString &name) override
    {
        selectedVoice = name;
        return true;
    }
    void say(const QString &text) override
    {
        spoken.append(text);
        spokenWith.append(selectedVoice);
    }
    void playWave(const QString &path) override { played.append(path); }
    void notify(const QString &title, const QString &text) override
    {
        notified.append(title + QLatin1Char('|') + text);
    }
    bool open(const QUrl &url) override
    {
        opened.append(url.toString());
        return true;
    }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.append(QStringList{program} + arguments);
        return true;
    }

    DesktopServices services() { return {this, this, this, this, this}; }

    std::optional<QStringList> voices = QStringList{QStringLiteral("kal"), QStringLiteral("slt")};
    int voiceListings = 0;
    QString selectedVoice;
    QStringList spoken;
    QStringList spokenWith; // the voice selected when each text was spoken
    QStringList played;
    QStringList notified;
    QStringList opened;
    QList<QStringList> started;
};
