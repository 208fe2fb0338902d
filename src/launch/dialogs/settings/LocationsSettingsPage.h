#pragma once

#include "SettingsPage.h"

class QListWidget;

// "Locations": the version database servers (shown, not edited), the master
// servers with "+" and "-", and the ngWorldStats server.
class LocationsSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit LocationsSettingsPage(const SettingsPageContext &context);

private:
    void addMasterServer();
    void removeMasterServer();

    QListWidget *m_versionServers = nullptr;
    QListWidget *m_masterServers = nullptr;
};
