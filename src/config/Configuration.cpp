#include "Configuration.h"

#include "CommaText.h"
#include "IniFile.h"
#include "core/PollingDelays.h"
#include "viewlogic/ScoreGraphLayout.h"

#include <algorithm>

namespace {
const QString kGeneral = QStringLiteral("general");
const QString kLocations = QStringLiteral("locations");
const QString kNicknames = QStringLiteral("nicknames");
const QString kHtml = QStringLiteral("HTML");
const QString kHistory = QStringLiteral("history");

// Keys of section "general" that the start reads and the settings dialog
// writes in the same form.
struct IntegerKey
{
    const char *key;
    int Settings::*field;
};
struct BooleanKey
{
    const char *key;
    bool Settings::*field;
};

const IntegerKey kLookIntegers[] = {
    {"loadcolor_50-", &Settings::LoadColorBelowHalf},
    {"loadcolor_50+", &Settings::LoadColorHalf},
    {"loadcolor_100", &Settings::LoadColorFull},
    {"DefaultFontSize", &Settings::DefaultFontSize},
};
const BooleanKey kLookBooleans[] = {
    {"RememberServerCheck", &Settings::RememberServerCheck}, {"paint_3DFrame_Team", &Settings::Paint3DFrameTeam},
    {"paint_3DFrame_Graph", &Settings::Paint3DFrameGraph},   {"paint_Thick_Team", &Settings::PaintThickTeam},
    {"paint_Thick_Graph", &Settings::PaintThickGraph},       {"paint_Frame_Team", &Settings::PaintFrameTeam},
    {"paint_Frame_Graph", &Settings::PaintFrameGraph},
};
} // namespace

QStringList Settings::defaultMasterServers()
{
    return {QStringLiteral("master.333networks.com:28900"), QStringLiteral("master.oldunreal.com:28900")};
}

namespace Configuration {

Settings loadConfiguration(const IniFile &ini, const QString &outputDirectory)
{
    Settings s;
    const auto integer = [&](const QString &key, int &field) { field = ini.readInteger(kGeneral, key, field); };
    const auto boolean = [&](const QString &key, bool &field) { field = ini.readBool(kGeneral, key, field); };
    const auto text = [&](const QString &key, QString &field) { field = ini.readString(kGeneral, key, field); };

    integer(QStringLiteral("LocalPort"), s.LocalPort);
    integer(QStringLiteral("ServerTimeOut"), s.ServerTimeOut);
    text(QStringLiteral("UTBaseDir"), s.UTBaseDir);
    s.MinBarWidth = std::clamp(ini.readInteger(kGeneral, QStringLiteral("MinBarWidth"), s.MinBarWidth), 0,
                               ScoreGraphLayout::kMaxMinBarWidth);
    integer(QStringLiteral("SleepTime"), s.SleepTime);
    text(QStringLiteral("ComputerVoice"), s.ComputerVoice);
    boolean(QStringLiteral("ComputerVoiceActive"), s.ComputerVoiceActive);
    boolean(QStringLiteral("CheckVersionAtStartUp"), s.CheckVersionAtStartUp);
    integer(QStringLiteral("LastVersionChecked"), s.LastVersionChecked);

    s.ServerListDelay = std::clamp(ini.readInteger(kGeneral, QStringLiteral("ServerListDelay"), 2),
                                   PollingDelays::kServerListMin, PollingDelays::kServerListMax);
    s.ServerInfoDelay = std::clamp(ini.readInteger(kGeneral, QStringLiteral("ServerInfoDelay"), 1),
                                   PollingDelays::kServerInfoMin, PollingDelays::kServerInfoMax);
    s.PlayerInfoDelay = std::clamp(ini.readInteger(kGeneral, QStringLiteral("PlayerInfoDelay"), 10),
                                   PollingDelays::kPlayerInfoMin, PollingDelays::kPlayerInfoMax);
    boolean(QStringLiteral("ServerInfoUpdate"), s.ServerInfoUpdate);
    boolean(QStringLiteral("PlayerInfoUpdate"), s.PlayerInfoUpdate);

    s.VersionServer1 = ini.readString(kLocations, QStringLiteral("version_server1"), s.VersionServer1);
    s.VersionServer2 = ini.readString(kLocations, QStringLiteral("version_server2"), s.VersionServer2);
    s.NgWorldStats = ini.readString(kLocations, QStringLiteral("ngWorldStats"), s.NgWorldStats);

    text(QStringLiteral("TitleBarFormat"), s.TitleBarFormat);
    text(QStringLiteral("BuddySpeechFormat"), s.BuddySpeechFormat);

    s.Buddies = CommaText::split(ini.readString(kNicknames, QStringLiteral("buddies")));

    text(QStringLiteral("BuddySound"), s.BuddySound);
    for (const IntegerKey &look : kLookIntegers)
        integer(QLatin1String(look.key), s.*look.field);
    for (const BooleanKey &look : kLookBooleans)
        boolean(QLatin1String(look.key), s.*look.field);
    integer(QStringLiteral("serverListSort"), s.serverListSort);
    boolean(QStringLiteral("promptOnRun"), s.promptOnRun);
    text(QStringLiteral("RunParams"), s.RunParams);
    boolean(QStringLiteral("CloseOnJoin"), s.CloseOnJoin);
    boolean(QStringLiteral("BuddyNotification"), s.BuddyNotification);

    s.HtmlTemplate = ini.readString(kHtml, QStringLiteral("template"));
    s.HtmlOutput = ini.readString(kHtml, QStringLiteral("output"), s.HtmlOutput);
    s.HtmlOutputDir = ini.readString(kHtml, QStringLiteral("outputdir"), outputDirectory);
    s.HtmlCommand = ini.readString(kHtml, QStringLiteral("command"));
    s.HtmlEnabled = ini.readBool(kHtml, QStringLiteral("enabled"), s.HtmlEnabled);
    s.HtmlInterval = ini.readInteger(kHtml, QStringLiteral("interval"), s.HtmlInterval);

    s.HistoryDays = std::clamp(ini.readInteger(kHistory, QStringLiteral("HistoryDays"), s.HistoryDays),
                               Settings::kMinHistoryDays, Settings::kMaxHistoryDays);
    return s;
}

void saveStateOnClose(IniFile &ini, const CloseState &state)
{
    ini.writeInteger(kGeneral, QStringLiteral("ServerListDelay"), state.ServerListDelay);
    ini.writeInteger(kGeneral, QStringLiteral("ServerInfoDelay"), state.ServerInfoDelay);
    ini.writeInteger(kGeneral, QStringLiteral("PlayerInfoDelay"), state.PlayerInfoDelay);
    ini.writeBool(kGeneral, QStringLiteral("ServerInfoUpdate"), state.ServerInfoUpdate);
    ini.writeBool(kGeneral, QStringLiteral("PlayerInfoUpdate"), state.PlayerInfoUpdate);
    ini.writeInteger(kGeneral, QStringLiteral("LastVersionChecked"), state.LastVersionChecked);
    // Positions and commas only: always storable.
    if (state.ServerListChecks)
        ini.writeString(kGeneral, QStringLiteral("ServerListChecks"), *state.ServerListChecks);
}

QStringList masterServers(const IniFile &ini)
{
    QStringList entries = CommaText::split(
        ini.readString(kLocations, QStringLiteral("MasterServers"), CommaText::join(Settings::defaultMasterServers())));
    entries.removeAll(QString());
    return entries;
}

bool saveDialogSettings(IniFile &ini, const Settings &s, const QStringList &masterServers, QString *error)
{
    bool stored = true;
    const auto text = [&](const QString &section, const QString &key, const QString &value) {
        QString message;
        if (!ini.writeString(section, key, value, &message)) {
            if (stored && error)
                *error = message;
            stored = false;
        }
    };
    const auto integer = [&](const QString &key, int value) { ini.writeInteger(kGeneral, key, value); };
    const auto boolean = [&](const QString &key, bool value) { ini.writeBool(kGeneral, key, value); };

    text(kGeneral, QStringLiteral("UTBaseDir"), s.UTBaseDir);
    integer(QStringLiteral("LocalPort"), s.LocalPort);
    integer(QStringLiteral("ServerTimeOut"), s.ServerTimeOut);
    integer(QStringLiteral("MinBarWidth"), s.MinBarWidth);
    text(kGeneral, QStringLiteral("BuddySound"), s.BuddySound);
    text(kGeneral, QStringLiteral("ComputerVoice"), s.ComputerVoice);
    boolean(QStringLiteral("ComputerVoiceActive"), s.ComputerVoiceActive);
    integer(QStringLiteral("SleepTime"), s.SleepTime);
    boolean(QStringLiteral("CheckVersionAtStartUp"), s.CheckVersionAtStartUp);
    text(kGeneral, QStringLiteral("TitleBarFormat"), s.TitleBarFormat);
    text(kGeneral, QStringLiteral("BuddySpeechFormat"), s.BuddySpeechFormat);

    text(kLocations, QStringLiteral("ngWorldStats"), s.NgWorldStats);
    text(kLocations, QStringLiteral("MasterServers"), CommaText::join(masterServers));

    for (const IntegerKey &look : kLookIntegers)
        integer(QLatin1String(look.key), s.*look.field);
    for (const BooleanKey &look : kLookBooleans)
        boolean(QLatin1String(look.key), s.*look.field);
    boolean(QStringLiteral("promptOnRun"), s.promptOnRun);
    text(kGeneral, QStringLiteral("RunParams"), s.RunParams);
    boolean(QStringLiteral("CloseOnJoin"), s.CloseOnJoin);

    text(kHtml, QStringLiteral("template"), s.HtmlTemplate);
    text(kHtml, QStringLiteral("output"), s.HtmlOutput);
    text(kHtml, QStringLiteral("outputdir"), s.HtmlOutputDir);
    text(kHtml, QStringLiteral("command"), s.HtmlCommand);
    ini.writeBool(kHtml, QStringLiteral("enabled"), s.HtmlEnabled);
    ini.writeInteger(kHtml, QStringLiteral("interval"), s.HtmlInterval);

    ini.writeInteger(kHistory, QStringLiteral("HistoryDays"), s.HistoryDays);
    return stored;
}

} // namespace Configuration
