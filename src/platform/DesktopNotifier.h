#pragma once

#include <QString>

// A short message of the desktop's own, beside whatever window is in front.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString &title, const QString &text) = 0;
};
