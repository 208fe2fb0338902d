#pragma once

#include "SettingsPage.h"

// "Notify": a page with no settings yet; it says so.
class NotifySettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit NotifySettingsPage(const SettingsPageContext &context);
};
