#pragma once

#include "config/Settings.h"

#include <QList>
#include <QStringList>

// What the settings dialog edits, apart from the dialog itself.
struct SettingsValues
{
    Settings settings; // every field the dialog edits; others pass through unchanged
    QStringList masterServers;
    QList<int> hotKeyCodes;   // one per HotKeys::table() row, in order
    bool speechActive = true; // the "Computer voice" box; the pages also put it into settings.ComputerVoiceActive
};
