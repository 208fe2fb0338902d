#pragma once

#include "ServerPages.h"
#include "config/Settings.h"
#include "core/SpeechComponent.h"
#include "discovery/Beacon.h"
#include "platform/DesktopServices.h"
#include "core/Poller.h"
#include "core/ServerAddress.h"

#include <QMainWindow>
#include <QPointer>
#include <QSet>

#include <memory>

class ConfigFile;
class DatagramSocketFactory;
class DiscoveryCommands;
class BuddyWatcher;
class HelpCommands;
class HistoryKeeper;
class JoinCommands;
struct SilentDesktop;
class DebugLog;
class DebugPage;
class FileDialogs;
class ListStore;
class MessageBoxes;
class PacedWalk;
class PlayersView;
class PollingControls;
class QCheckBox;
class QLabel;
class QProgressBar;
class QSlider;
class QueryEngine;
class ScorePage;
class ServerInfoView;
class ServerListView;
class ServerTable;
class SplashWindow;
class StatsPage;
class ReportCommands;
class SettingsCommands;
class StartUpSequence;
class TeamScoreStrip;
class TrayBlinker;
struct MainMenus;
struct QueryStack;

// The main window: the server list on the left, the pages of the selected
// server on the right, the polling controls, the menus and the status bar.
// The engine and the poller tell what happened; the window decides which
// views to refill.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    struct Context
    {
        QueryStack &stack;
        MessageBoxes &messages;
        FileDialogs &files;
        ConfigFile &config;
        Settings settings;
        QString profileDirectory;
        // The sockets of the search dialogs (none: real UDP sockets) and
        // where the LAN search asks.
        DatagramSocketFactory *sockets = nullptr;
        LanSearchTargets lanTargets = {};
        // Speech, sound, notifications, opening files and starting the
        // game; silent stand-ins for those left out.
        DesktopServices desktop = {};
        // The program that runs Windows executables; empty when none.
        QString wineProgram = {};
    };

    explicit MainWindow(const Context &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    void setSplash(SplashWindow *splash);
    // Servers to add (unless the list holds them) and check at the first showing.
    void setStartServers(const QList<ServerAddress> &servers);

    TrayBlinker *tray() const { return m_tray; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Slider positions and switches as the configuration holds them; each
    // goes through its change handler, so timers and labels follow.
    void applyPollingSettings(int serverListDelay, int serverInfoDelay, int playerInfoDelay, bool serverInfoUpdate,
                              bool playerInfoUpdate);

    // Commands of the menus.
    void updateAllServers();
    void updateServerInfo();
    void deleteServer();
    void updateServerName();
    // The name the server reports becomes its name in the list.
    void takeReportedName(int slot);
    // A row's refresh square: query that server at once.
    void refreshRow(int row);
    // Server properties of the selected server.
    void editSelectedServer();

    QWidget *buildServerListPane();
    void buildStatusBar();
    void connectMenus(const MainMenus &menus);
    void connectPolling();
    void buildDesktopCommands(const Context &context);
    void buildStatsPage();
    void buildUpkeepCommands(const MainMenus &menus);
    // Colours, graph options, fonts and the title bar as the settings say.
    void applyViewSettings();

    int selectedSlot() const;
    void fillServerInfoView(int slot);
    void fillPlayersView(int slot);
    void showTeamStrips(int slot);
    void repaintScoreViews();
    void updateTitleBar();
    void refreshSelection();
    void updateStripHeights();
    void restoreFromTray();

    void refreshSelectedOnTimer(Poller::Refresh kind);
    void selectedQueried(Poller::Refresh kind, int slot);
    void selectedSettled(Poller::Refresh kind, int slot);
    void playerScanFinished(int netChange);
    void allServersUpdated();
    void showSendError(const QString &message);
    void showAddressFailure(int slot);
    void startUpFinished();
    void saveStateOnClose();

    void serverListDelayChanged();
    void serverInfoDelayChanged();
    void playerInfoDelayChanged();
    void sendDebugQuery(const QByteArray &query);

    ServerTable &m_table;
    QueryEngine &m_engine;
    DebugLog &m_log;
    MessageBoxes &m_messages;
    FileDialogs &m_files;
    ConfigFile &m_config;
    Settings m_settings;
    QString m_profileDirectory;
    std::unique_ptr<ListStore> m_lists;
    Poller *m_poller;
    StartUpSequence *m_startUp;
    DiscoveryCommands *m_discovery;
    std::unique_ptr<SilentDesktop> m_silent;
    DesktopServices m_desktop;
    SpeechComponent m_speech;
    BuddyWatcher *m_buddies = nullptr;
    JoinCommands *m_join = nullptr;
    HelpCommands *m_help = nullptr;
    HistoryKeeper *m_history = nullptr;
    StatsPage *m_stats = nullptr;
    ReportCommands *m_report = nullptr;
    SettingsCommands *m_settingsCommands = nullptr;

    ServerListView *m_serverList = nullptr;
    ServerPages *m_pages = nullptr;
    TrayBlinker *m_tray = nullptr;
    QSlider *m_serverListDelay = nullptr;
    QSlider *m_serverInfoDelay = nullptr;
    QSlider *m_playerInfoDelay = nullptr;
    QLabel *m_serverListLabel = nullptr;
    QCheckBox *m_serverInfoUpdate = nullptr;
    QCheckBox *m_playerInfoUpdate = nullptr;
    QLabel *m_hintPanel = nullptr;
    QProgressBar *m_gauge = nullptr;
    QList<QAction *> m_sortActions;
    QPointer<SplashWindow> m_splash;
    bool m_shownOnce = false;
    bool m_closing = false;
    bool m_errorShowing = false;
    QSet<quint64> m_addressFailuresShown;
};
