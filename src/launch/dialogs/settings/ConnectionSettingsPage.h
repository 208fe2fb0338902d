#pragma once

#include "SettingsPage.h"

// "Connection": the local port, the server time-out and the delay between
// the queries of a mass scan.
class ConnectionSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit ConnectionSettingsPage(const SettingsPageContext &context);
};
