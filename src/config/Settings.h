#pragma once

#include <QString>
#include <QStringList>

// The running values of the configuration file's keys, with their defaults.
struct Settings
{
    // general
    int LocalPort = 65000;
    int ServerTimeOut = 30;
    QString UTBaseDir;
    int MinBarWidth = 0;
    int SleepTime = 20;
    QString ComputerVoice;
    bool ComputerVoiceActive = true;
    bool CheckVersionAtStartUp = true;
    int LastVersionChecked = 166;
    int ServerListDelay = 10;
    int ServerInfoDelay = 1;
    int PlayerInfoDelay = 10;
    bool ServerInfoUpdate = false;
    bool PlayerInfoUpdate = false;
    QString TitleBarFormat = QStringLiteral("[%servername] - [%playerload] - [%ping]");
    QString BuddySpeechFormat = QStringLiteral("%playername joined the server");
    QString BuddySound;
    // Colours as the file stores them: red + 256 x green + 65536 x blue.
    int LoadColorBelowHalf = 32768; // loadcolor_50-
    int LoadColorHalf = 32896;      // loadcolor_50+
    int LoadColorFull = 128;        // loadcolor_100
    int DefaultFontSize = 8;
    bool RememberServerCheck = false;
    bool Paint3DFrameTeam = false;
    bool Paint3DFrameGraph = false;
    bool PaintThickTeam = false;
    bool PaintThickGraph = false;
    bool PaintFrameTeam = false;
    bool PaintFrameGraph = false;
    int serverListSort = 0;
    bool promptOnRun = false;
    QString RunParams;
    bool CloseOnJoin = false;
    // A desktop notification when a buddy joins, beside the sound and the speech.
    bool BuddyNotification = true;

    // locations
    QString VersionServer1 = QStringLiteral("version.quorvelin.org");
    QString VersionServer2 = QStringLiteral("version2.quorvelin.org");
    QString NgWorldStats = QStringLiteral("ut.ngworldstats.com");

    // nicknames
    QStringList Buddies;

    // HTML
    QString HtmlTemplate;
    QString HtmlOutput = QStringLiteral("%ip-%port.html");
    QString HtmlOutputDir; // the program's directory when not set
    QString HtmlCommand;
    bool HtmlEnabled = false;
    int HtmlInterval = 60000;

    // history
    // Days after which the history keeps one sample an hour and forgets sightings.
    int HistoryDays = 30;
    static constexpr int kMinHistoryDays = 1;
    static constexpr int kMaxHistoryDays = 3650;

    // Without a voice there is no speech, whatever the switch says.
    bool speechActive() const { return ComputerVoiceActive && !ComputerVoice.isEmpty(); }

    // The master servers offered when the file names none.
    static QStringList defaultMasterServers();
};
