#include "ServerPages.h"

#include "BuddiesPage.h"
#include "DebugPage.h"
#include "HistoryPage.h"
#include "PlayersView.h"
#include "PollingControls.h"
#include "ScoreGraphView.h"
#include "ScorePage.h"
#include "ServerInfoView.h"
#include "TeamScoreStrip.h"
#include "config/Settings.h"
#include "core/DebugLog.h"
#include "core/PollingDelays.h"
#include "core/TUTServer.h"
#include "viewlogic/ScoreGraphLayout.h"

#include <QVBoxLayout>

ServerPages::ServerPages(const Settings &settings, DebugLog &log, MessageBoxes &messages,
                         const QString &profileDirectory, std::function<void(const QByteArray &)> sendToSelected,
                         QWidget *parent)
    : QTabWidget(parent)
    , m_serverInfoControls(new PollingControls(QStringLiteral("ServerInfo"), PollingDelays::kServerInfoMin,
                                               PollingDelays::kServerInfoMax, this))
    , m_playerInfoControls(new PollingControls(QStringLiteral("PlayerInfo"), PollingDelays::kPlayerInfoMin,
                                               PollingDelays::kPlayerInfoMax, this))
    , m_serverInfo(new ServerInfoView(this))
    , m_players(new PlayersView(this))
    , m_playersTeamStrip(new TeamScoreStrip(QStringLiteral("pbx_TeamScore"), this))
    , m_scorePage(new ScorePage(this))
    , m_debugPage(new DebugPage(profileDirectory, messages, std::move(sendToSelected), this))
    , m_history(new HistoryPage(this))
{
    setObjectName(QStringLiteral("pc_ServerPages"));
    m_playersTeamStrip->hide();
    addTab(buildPage(QStringLiteral("ts_ServerInfo"), nullptr, m_serverInfo, m_serverInfoControls),
           QStringLiteral("Server Info"));
    m_playersPage = buildPage(QStringLiteral("ts_Players"), m_playersTeamStrip, m_players, m_playerInfoControls);
    addTab(m_playersPage, QStringLiteral("Players"));
    addTab(m_scorePage, QStringLiteral("Score graph"));
    addTab(m_history, QStringLiteral("History"));
    m_buddies = new BuddiesPage(this);
    addTab(m_buddies, QStringLiteral("Buddies"));
    m_statsPlace = new QWidget(this);
    addTab(m_statsPlace, QStringLiteral("ngWorldStats"));
    connect(this, &QTabWidget::currentChanged, this, &ServerPages::repaintScoreViews);

    if (log.isDebugMode()) {
        addTab(m_debugPage, QStringLiteral("debug"));
        m_debugPage->loadQueryList();
        connect(&log, &DebugLog::lineAdded, m_debugPage, &DebugPage::appendLine);
    } else {
        m_debugPage->hide();
    }
    setCurrentIndex(0);
    applySettings(settings);
}

void ServerPages::applySettings(const Settings &settings)
{
    m_scorePage->setDefaultFontSize(settings.DefaultFontSize);
    const PaintOptions graph{settings.PaintFrameGraph, settings.Paint3DFrameGraph, settings.PaintThickGraph};
    const PaintOptions team{settings.PaintFrameTeam, settings.Paint3DFrameTeam, settings.PaintThickTeam};
    m_scorePage->graph()->setOptions(graph, settings.MinBarWidth);
    m_scorePage->teamStrip()->setOptions(team);
    m_playersTeamStrip->setOptions(team);
}

QWidget *ServerPages::buildPage(const QString &name, QWidget *strip, QWidget *view, PollingControls *controls)
{
    auto *page = new QWidget(this);
    page->setObjectName(name);
    auto *layout = new QVBoxLayout(page);
    if (strip)
        layout->addWidget(strip);
    layout->addWidget(view, 1);
    layout->addWidget(controls);
    return page;
}

void ServerPages::setStatsPage(QWidget *page)
{
    const int index = indexOf(m_statsPlace);
    removeTab(index);
    delete m_statsPlace;
    m_statsPlace = page;
    insertTab(index, page, QStringLiteral("ngWorldStats"));
}

void ServerPages::fillServerInfo(const TUTServer &server)
{
    m_serverInfo->fill(server);
}

void ServerPages::fillPlayers(const TUTServer &server)
{
    m_players->fill(server);
}

void ServerPages::showTeamStrips(const TUTServer &server)
{
    QList<std::pair<QString, QString>> teams;
    for (const TTeamRecord &team : server.Teams)
        teams.append({QString::fromLatin1(team.Score), QString::fromLatin1(team.Size)});
    const bool reported = !server.Teams[0].Name.isEmpty();
    // A strip shows when the server reports teams and someone is playing in one.
    const bool visible =
        reported && !m_players->rows().isEmpty() && !ScoreGraphLayout::layoutTeams(teams, 100, 30).isEmpty();
    for (TeamScoreStrip *strip : {m_playersTeamStrip, m_scorePage->teamStrip()}) {
        strip->setTeams(teams);
        strip->setVisible(visible);
    }
}

void ServerPages::repaintScoreViews()
{
    // The strips repaint themselves when their teams or options change, and
    // a page coming into view paints anyway; the graph takes its rows only
    // while its page shows.
    if (currentWidget() == m_scorePage)
        m_scorePage->graph()->setRows(m_players->rows());
}

void ServerPages::setStripHeights(int windowHeight)
{
    m_playersTeamStrip->setFixedHeight(ScoreGraphLayout::playersStripHeight(windowHeight));
    m_scorePage->teamStrip()->setFixedHeight(ScoreGraphLayout::scoreStripHeight(windowHeight));
}
