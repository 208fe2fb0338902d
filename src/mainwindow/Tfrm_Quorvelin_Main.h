#pragma once

#include "config/BuddyList.h"
#include "config/Settings.h"
#include "core/EngineHost.h"

#include <QMainWindow>
#include <QPointer>

class ConfigFile;
class DebugLog;
class DebugPage;
class FileDialogs;
class MessageBoxes;
class PlayersView;
class PollingControls;
class QActionGroup;
class QCheckBox;
class QLabel;
class QProgressBar;
class QSlider;
class QTabWidget;
class QueryEngine;
class ScorePage;
class ServerInfoView;
class ServerListView;
class ServerRowDelegate;
class ServerTable;
class SplashWindow;
class TeamScoreStrip;
class TrayBlinker;
struct RunState;

// The main window: the server list on the left, the pages of the selected
// server on the right, the polling controls, the menus and the status bar.
class Tfrm_Quorvelin_Main final : public QMainWindow, public EngineHost
{
    Q_OBJECT
public:
    struct Context
    {
        RunState &state;
        ServerTable &table;
        QueryEngine &engine;
        DebugLog &log;
        MessageBoxes &messages;
        FileDialogs &files;
        ConfigFile &config;
        Settings settings;
        QString profileDirectory;
    };

    // A server to add (unless the list holds it) and check at the first showing.
    struct StartServer
    {
        QString address;
        int port;
    };

    explicit Tfrm_Quorvelin_Main(const Context &context, QWidget *parent = nullptr);
    ~Tfrm_Quorvelin_Main() override;

    void setSplash(SplashWindow *splash);
    void setStartServers(const QList<StartServer> &servers) { m_startServers = servers; }

    // Slider positions and switches as the configuration holds them; each
    // goes through its change handler, so timers and labels follow.
    void applyPollingSettings(int serverListDelay, int serverInfoDelay, int playerInfoDelay, bool serverInfoUpdate,
                              bool playerInfoUpdate);

    const Settings &settings() const { return m_settings; }
    const BuddyList &buddies() const { return m_buddies; }
    // Change the buddy list and store it; false when nothing changed.
    bool AddBuddy(const QString &name);
    bool removeBuddy(int index);

    // EngineHost
    int selectedSlot() const override;
    void FillServerInfoView(int slot) override;
    void FillPlayersView(int slot) override;
    void ShowTeamStrips(int slot) override;
    void RepaintScoreViews() override;
    void UpdateTitleBar() override;
    void StartBlink(int mode) override;
    void CheckBuddies() override;
    void SelectionRefresh() override;

    // Commands
    void mi_UpdateAllServersClick();
    void mi_UpdateServerInfoClick();
    void mi_DeleteserverClick();
    void mi_UpdateNameClick();
    void mi_ImportFromIniClick();

    ServerListView *serverList() const { return clb_Servers; }
    ServerInfoView *serverInfoView() const { return lv_ServerInfo; }
    PlayersView *playersView() const { return lv_Players; }
    ScorePage *scorePage() const { return m_scorePage; }
    TeamScoreStrip *playersTeamStrip() const { return pbx_TeamScore; }
    TrayBlinker *tray() const { return ti_Blinker; }
    DebugPage *debugPage() const { return m_debugPage; }
    QTabWidget *pages() const { return m_pages; }
    QString trayHint() const { return m_trayHint; }

    // A row's refresh square: query that server at once.
    void refreshRow(int row);

Q_SIGNALS:
    // The players were refilled: the buddy watcher compares them.
    void buddyCheckRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    QWidget *buildServerListPane();
    QWidget *buildPage(const QString &name, QWidget *strip, QWidget *view, PollingControls *controls);
    void buildStatusBar();
    void applyLook();
    void restoreFromTray();
    void updateStripHeights();
    void firstShow();
    void LoadServerList();
    void RestoreServerChecks();
    void SaveStateOnClose();
    void storeServerList(bool sortFirst);
    bool storeBuddies(const BuddyList &changed);
    void tb_ServerListDelayChange();
    void tb_ServerInfoDelayChange();
    void tb_PlayerInfoDelayChange();
    void sendDebugQuery(const QByteArray &query);

    RunState &m_state;
    ServerTable &m_table;
    QueryEngine &m_engine;
    DebugLog &m_log;
    MessageBoxes &m_messages;
    FileDialogs &m_files;
    ConfigFile &m_config;
    Settings m_settings;
    BuddyList m_buddies;
    QString m_profileDirectory;
    QString m_importDirectory;

    ServerListView *clb_Servers = nullptr;
    ServerRowDelegate *m_rowDelegate = nullptr;
    ServerInfoView *lv_ServerInfo = nullptr;
    PlayersView *lv_Players = nullptr;
    TeamScoreStrip *pbx_TeamScore = nullptr;
    ScorePage *m_scorePage = nullptr;
    QWidget *ts_Players = nullptr;
    TrayBlinker *ti_Blinker = nullptr;
    QTabWidget *m_pages = nullptr;
    QSlider *tb_ServerListDelay = nullptr;
    QSlider *tb_ServerInfoDelay = nullptr;
    QSlider *tb_PlayerInfoDelay = nullptr;
    QLabel *lbl_ServerListUpdate = nullptr;
    QLabel *lbl_ServerInfoUpdate = nullptr;
    QLabel *lbl_PlayerInfoUpdate = nullptr;
    QCheckBox *cb_ServerInfoUpdate = nullptr;
    QCheckBox *cb_PlayerInfoUpdate = nullptr;
    QProgressBar *ProgressGauge = nullptr;
    QLabel *m_hintPanel = nullptr;
    QActionGroup *m_sortGroup = nullptr;
    DebugPage *m_debugPage = nullptr;
    QPointer<SplashWindow> m_splash;
    QList<StartServer> m_startServers;
    QString m_trayHint;
    bool m_shownOnce = false;
};
