#pragma once

#include "FakeEventPump.h"
#include "core/PlatformServices.h"
#include "platform/FileDialogs.h"
#include "platform/HostResolver.h"
#include "platform/LocalTime.h"
#include "platform/MessageBoxes.h"
#include "platform/TickClock.h"

#include <QHash>
#include <QStringList>

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

class FakeMessageBoxes final : public MessageBoxes
{
public:
    void showError(const QString &text) override { errors.append(text); }
    void showWarning(const QString &text) override { warnings.append(text); }
    void showInformation(const QString &text) override { informations.append(text); }
    bool confirm(const QString &text) override
    {
        questions.append(text);
        return nextAnswer;
    }

    QStringList errors;
    QStringList warnings;
    QStringList informations;
    QStringList questions;
    bool nextAnswer = false;
};

class FakeFileDialogs final : public FileDialogs
{
public:
    QString openFile(const QString &title, const QString &filter, const QString &directory) override
    {
        requests.append(title + QLatin1Char('|') + filter + QLatin1Char('|') + directory);
        return nextFile;
    }

    QStringList requests;
    QString nextFile;
};

// Dotted addresses resolve to themselves, names through the map.
class FakeHostResolver final : public HostResolver
{
public:
    QString resolveIPv4(const QString &host) override;
    QHash<QString, QString> names;
};

// All fakes together, wired into a PlatformServices.
struct FakePlatform
{
    FakePlatform();

    FakeTickClock clock;
    FakeLocalTime localTime;
    FakeEventPump pump{clock};
    FakeMessageBoxes messages;
    FakeHostResolver resolver;
    FakeFileDialogs files;
    PlatformServices services;
};
