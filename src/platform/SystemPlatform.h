#pragma once

#include "SystemHostResolver.h"
#include "SystemLocalTime.h"
#include "SystemTickClock.h"
#include "platform/PlatformServices.h"

class MessageBoxes;

// The real services, wired into a PlatformServices; the message boxes differ
// between the window and the window-less modes and are given.
struct SystemPlatform
{
    explicit SystemPlatform(MessageBoxes &messages)
        : services{&clock, &localTime, &messages, &resolver}
    {
    }

    SystemTickClock clock;
    SystemLocalTime localTime;
    SystemHostResolver resolver;
    PlatformServices services;
};
