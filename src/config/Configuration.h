#pragma once

#include "Settings.h"

#include <QString>

#include <optional>

class IniFile;

// The schema of Quorvelin.ini: what is read at start and what is written
// when the program closes.
namespace Configuration {

// Every key read at start, with its default and, for the three delay
// sliders, moved into the slider's range. outputDirectory is the default of
// the report directory.
Settings loadConfiguration(const IniFile &ini, const QString &outputDirectory);

struct CloseState
{
    int ServerListDelay;
    int ServerInfoDelay;
    int PlayerInfoDelay;
    bool ServerInfoUpdate;
    bool PlayerInfoUpdate;
    int LastVersionChecked;
    // Nothing keeps the stored value.
    std::optional<QString> ServerListChecks;
};

// The keys of the running state that the close writes.
void saveStateOnClose(IniFile &ini, const CloseState &state);

} // namespace Configuration
