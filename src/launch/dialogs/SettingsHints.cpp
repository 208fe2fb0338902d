#include "SettingsHints.h"

#include <QHash>

namespace SettingsHints {

namespace {

QStringList toList(std::initializer_list<const char *> lines)
{
    QStringList list;
    for (const char *line : lines)
        list.append(QString::fromUtf8(line));
    return list;
}

QHash<QString, QStringList> buildHints()
{
    QHash<QString, QStringList> hints;
    const auto add = [&hints](const char *control, const char *title, std::initializer_list<const char *> lines = {}) {
        hints.insert(QString::fromLatin1(control), QStringList(QString::fromUtf8(title)) + toList(lines));
    };
    add("ed_TitleBar", "Title bar content",
        {"This will define what you'll see in the main window's title bar. The following strings will be replaced:",
         "%servername - by the server name", "%currentplayers - the current number of players",
         "%maxplayers - the maximum players",
         "%playerload - the number of current player vs the maxmimum number of players: \"16I16\"",
         "%ping - the current ping to the server", "%maptitle - the title of the map",
         "%serveraddress - the address of the server:  IP:PORT"});
    add("gb_LoadColors", "Server load colors",
        {"What colors should be used to identify the player load on the server"});
    add("se_MinBarWidth", "Minimal bar width",
        {"This defines the minimal width of a bar in the score graph, in pixels. This will make sure that if there "
         "are much players on the server that the bars are still readable."});
    add("se_DefaultFontSize", "Default font size",
        {"Set the default size of the font in the legenda of the score graph"});
    add("cb_Frame_Team", "Display 3D bars", {"The bars of the team score will get a frame"});
    add("cb_Frame_Graph", "Display 3D bars", {"The bars of the score graph will get a frame"});
    add("se_LocalPort", "Local connection port",
        {"This port (and the two ports above) will be used to send and receive data.", "Default : 65000"});
    add("se_ServerTimeOut", "Server time out",
        {"This is the time (in seconds) that will pass before Quorvelin desides that there is not server on the "
         "other side.",
         "This is only used in the Add server, Fin LAN and Server properties dialogs"});
    add("se_SleepTime", "Server scan delay",
        {"This is the delay (in miliseconds) between server scans in mass scans (eg. at start up or when you hit "
         "Shift+F5).",
         "The default value is 50. If you have a slower connection you may want to increase it."});
    add("ed_UTBaseDir", "Unreal Tournament base directory",
        {"This is the base directory of Unreal Tournament, it's only used for importing servers from the .ini and "
         "for joining the server."});
    add("lbl_LastVersionChecked", "Last version checked",
        {"This is the latest version number of Quorvelin retreived.",
         "If this version is heigher that your current version it means that you haven't downloaded the latest "
         "version."});
    add("ed_RunParams", "Aditional run parameters",
        {"Enter here the aditional paramters to use when running Unreal Tournament from Quorvelin.",
         "You can use this to specify an other ini file to use."});
    add("cb_CheckVersionAtStartUp", "Check for new version at start-up",
        {"If you disable this option, Quorvelin won't check for a new version when it starts.",
         "This is usefull when you use Quorvelin on a network which isn't connected to the internet.",
         "Other wise I advice you to keep this option enabled."});
    add("cb_RememberChecks", "Remember server list checks",
        {"When you enable this that the checks of the servers in the server list will be saved and automatically "
         "be checked the next time you start Quorvelin"});
    add("cb_PromptOnRun", "Prompt on launch",
        {"This will display a dialog with the command line which will be executed when you join a server from "
         "Quorvelin.",
         "You can use it to edit the command line before you join the server."});
    add("cb_CloseOnJoin", "Close Quorvelin when joining a server",
        {"This will close Quorvelin when you join a UT server. If you don't check this Quorvelin will just "
         "minimize."});
    add("se_HistoryDays", "Days of server history to keep",
        {"Player counts and maps older than this are thinned to one sample an hour, and players not seen for "
         "this long are forgotten.",
         "Default : 30"});
    add("lb_VersionServers", "Version database servers", {"It's adviced that you don't change this settings"});
    add("lb_MasterServers", "Master servers",
        {"These are Unreal Tournament master server locations. They can be used to retreive UT server locations "
         "from the master server. You can only use real master servers, not server lists like PingTool uses."});
    add("btn_AddMasterServer", "Add a master server");
    add("btn_RemoveMasterServer", "Remove selected server");
    add("ed_ngWorldStats", "ngWorldStats server",
        {"This is the location to the ngWorldStats server. This should not be changed unless the server location "
         "changes."});
    add("lv_HotKeys", "List off all hot keys that can be changed");
    add("ed_HotKeyCommand", "Command to assign the hot key to");
    add("hk_HotKey", "Hot key");
    add("btn_SetHotKey", "Assign the hot key");
    add("ed_BuddySound", "Buddy join sound", {"This wav file will be played when a buddy joins the selected server."});
    add("cb_Voices", "Computer voice", {"This is the voice used when things are said."});
    add("ed_BuddySpeechFormat", "What to say on buddy join",
        {"What should Quorvelin say when a buddy joins the server you are currently monitoring.",
         "This only works when you have the MS TextToSpeech engine installed.",
         "Speech needs a voice of the desktop's speech engine, for example the flite voices of Debian.",
         "The following strings will be replaced:", "%playername - the name of the buddy/player",
         "%servername - the name of the server"});
    add("ed_HtmlTemplate", "HTML Template", {"The template file to use to set up the HTML output"});
    add("ed_HtmlOutput", "Filename format",
        {"Enter here the format of the filename of the outputed HTML file", "The folloowing parts will be replaced by",
         "%ip\tThe server ip", "%port\tThe game port of the server", "%name\tThe name of the server"});
    add("ed_HtmlOutputDir", "Output file location", {"The directory where to put the outputed files"});
    add("ed_HtmlCommand", "Command to execute after output",
        {"Enter here the command to execute after the HTML files are created (all HTML files).",
         "To check if the entered commmand works you can test it by entering the command in the \"Run...\" item in "
         "the \"Start\" menu.",
         "The following will be replaced by:", "%outputdir\tThe output directory", "%progdir\t\tThe directory"});
    return hints;
}

const QHash<QString, QStringList> &hints()
{
    static const QHash<QString, QStringList> kHints = buildHints();
    return kHints;
}

} // namespace

QStringList lines(const QString &control)
{
    return hints().value(control);
}

QString text(const QString &control)
{
    return lines(control).join(QLatin1Char('\n'));
}

QStringList controls()
{
    QStringList names = hints().keys();
    names.sort();
    return names;
}

const QStringList &testPhrases()
{
    static const QStringList kPhrases = toList({
        "Ready for another round?",
        "The arena is waiting for you.",
        "Your friends are fragging without you.",
        "Grab the flag and run!",
        "Nice aim, keep it up.",
        "Time to warm up the rocket launcher.",
        "That was a close one.",
        "Someone new just joined the match.",
        "Check your ammo before you charge.",
        "Mind the ping and stay in cover.",
        "Good game, well played.",
    });
    return kPhrases;
}

} // namespace SettingsHints
