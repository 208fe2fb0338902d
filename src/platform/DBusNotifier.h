#pragma once

#include "DesktopNotifier.h"

// The desktop's notification service on the session bus. Nothing waits for
// an answer; without a bus or a service nothing is shown.
class DBusNotifier final : public DesktopNotifier
{
public:
    void notify(const QString &title, const QString &text) override;
};
