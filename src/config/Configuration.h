#pragma once

#include "Settings.h"

#include <QString>
#include <QStringList>

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

// The entries of MasterServers in section "locations", the built-in ones
// when the file names none; empty entries are dropped.
QStringList masterServers(const IniFile &ini);

// The keys of the running state that the close writes.
void saveStateOnClose(IniFile &ini, const CloseState &state);

// The keys the settings dialog writes when it is confirmed: the general keys
// it edits, ngWorldStats and MasterServers (as comma text) in locations, the
// HTML keys and HistoryDays; HtmlInterval is written as it is, in milliseconds. Every
// value that can be stored is written; false, with the message of the first
// one that cannot (a text with a line break or over 2047 characters), when
// any was left out.
bool saveDialogSettings(IniFile &ini, const Settings &settings, const QStringList &masterServers,
                        QString *error = nullptr);

} // namespace Configuration
