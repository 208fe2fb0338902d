#pragma once

#include <QTabWidget>

#include <functional>

class BuddiesPage;
class DebugLog;
class DebugPage;
class HistoryPage;
class MessageBoxes;
class PlayersView;
class PollingControls;
class ScorePage;
class ServerInfoView;
class TeamScoreStrip;
class TUTServer;
struct Settings;

// The pages of the selected server: "Server Info", "Players", "Score
// graph", "History", "Buddies", "ngWorldStats" and, in debug mode, "debug".
// Each refill shows what the server's record holds now.
class ServerPages final : public QTabWidget
{
    Q_OBJECT
public:
    // sendToSelected sends a query of the debug page to the selected server.
    ServerPages(const Settings &settings, DebugLog &log, MessageBoxes &messages, const QString &profileDirectory,
                std::function<void(const QByteArray &)> sendToSelected, QWidget *parent = nullptr);

    void fillServerInfo(const TUTServer &server);
    void fillPlayers(const TUTServer &server);
    // Shows the team strips when the server reports teams that someone plays in.
    void showTeamStrips(const TUTServer &server);
    // Gives the score graph the players' rows while its page shows.
    void repaintScoreViews();
    // The strips take their height from the window's.
    void setStripHeights(int windowHeight);

    PollingControls *serverInfoControls() const { return m_serverInfoControls; }
    PollingControls *playerInfoControls() const { return m_playerInfoControls; }
    ServerInfoView *serverInfoView() const { return m_serverInfo; }
    PlayersView *playersView() const { return m_players; }
    TeamScoreStrip *playersTeamStrip() const { return m_playersTeamStrip; }
    ScorePage *scorePage() const { return m_scorePage; }
    DebugPage *debugPage() const { return m_debugPage; }
    BuddiesPage *buddiesPage() const { return m_buddies; }
    HistoryPage *historyPage() const { return m_history; }
    // Graph options and the legend's font size as the settings say.
    void applySettings(const Settings &settings);
    // The "ngWorldStats" page takes the place kept for it.
    void setStatsPage(QWidget *page);

private:
    QWidget *buildPage(const QString &name, QWidget *strip, QWidget *view, PollingControls *controls);

    PollingControls *m_serverInfoControls;
    PollingControls *m_playerInfoControls;
    ServerInfoView *m_serverInfo;
    PlayersView *m_players;
    TeamScoreStrip *m_playersTeamStrip;
    QWidget *m_playersPage;
    ScorePage *m_scorePage;
    DebugPage *m_debugPage;
    HistoryPage *m_history;
    BuddiesPage *m_buddies;
    QWidget *m_statsPlace;
};
