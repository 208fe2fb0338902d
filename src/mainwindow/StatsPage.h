#pragma once

#include "stats/RankingEntry.h"

#include <QString>
#include <QWidget>

class AddStatsDialog;
class MessageBoxes;
class QItemSelectionModel;
class QTreeView;
class ServerInfoView;
class UrlOpener;

namespace Stats {
class RankingModel;
class RankingRun;
} // namespace Stats

// The "ngWorldStats" page: the server and player rankings lists with their
// buttons and context menus, the refresh of their selected rows, the search
// dialog that adds to them, and the statistics file they are kept in.
class StatsPage final : public QWidget
{
    Q_OBJECT
public:
    struct Context
    {
        MessageBoxes &messages;
        UrlOpener &urls;
        // The statistics service, "name" or "name:port".
        QString host;
        // The statistics file.
        QString filePath;
    };

    explicit StatsPage(const Context &context, QWidget *parent = nullptr);
    ~StatsPage() override;

    // Reads the statistics file into the lists; a missing file is no error.
    // From then on the lists are stored whenever rows are added, deleted or
    // sorted, and when a refresh completes.
    void loadStatsFile();
    // Opens the search dialog for a player, with the name filled in.
    void lookUpPlayer(const QString &name);
    // Opens the search dialog for a server, with its name and address.
    void lookUpServer(const QString &name, const QString &address);
    // "add...": opens the search dialog for a kind.
    void addEntry(Stats::RankingKind kind);
    // "Look-up ngWorldStats" in the server information's context menu.
    void addLookUpMenu(ServerInfoView *serverInfo);
    void setHost(const QString &host);
    // The window closes: a page on its way is dropped, nothing is saved.
    void stop();

    // "update": refreshes the selected rows of a list.
    void updateSelected(Stats::RankingKind kind);
    // "Delete": the first selected row, after a question.
    void deleteSelected(Stats::RankingKind kind);
    // "go to ngWorldStats site": the first selected row's page.
    void openSite(Stats::RankingKind kind);

    Stats::RankingModel &model(Stats::RankingKind kind) const;
    QTreeView *view(Stats::RankingKind kind) const;
    Stats::RankingRun &run() const { return *m_run; }
    // Nothing until the first search.
    AddStatsDialog *searchDialog() const { return m_dialog; }

Q_SIGNALS:
    // A page of the refresh is on its way (true) or has been dealt with.
    void fetching(bool active);

private:
    QWidget *buildList(Stats::RankingKind kind);
    void addMenu(QTreeView *view, Stats::RankingKind kind);
    AddStatsDialog &dialog(Stats::RankingKind kind);
    void addFromDialog();
    void setFetching(bool active);
    void saveStatsFile();
    int firstSelectedRow(Stats::RankingKind kind) const;

    Context m_context;
    Stats::RankingModel *m_servers;
    Stats::RankingModel *m_players;
    QTreeView *m_serverView = nullptr;
    QTreeView *m_playerView = nullptr;
    Stats::RankingRun *m_run = nullptr;
    AddStatsDialog *m_dialog = nullptr;
    // The file has been read; only then may it be written.
    bool m_loaded = false;
    // The file was there but could not be read; it is moved aside before the
    // first write, so nothing of it is lost.
    bool m_unreadFile = false;
};
