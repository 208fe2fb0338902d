#pragma once

#include "RankingEntry.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>

class PacedWalk;
class QItemSelectionModel;

namespace Stats {

class PageFetcher;
class RankingModel;

// The refresh of a rankings list: for each selected row, in list order, the
// service's page of that entry is fetched and its ranks read; the row is
// marked and deselected, and the next follows after a short pause. Rows
// selected or deselected meanwhile join or leave the run. A failed fetch
// ends the run and leaves its row selected for the next try.
class RankingRun final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPauseMs = 100;

    struct List
    {
        RankingModel *model;
        QItemSelectionModel *selection;
    };

    RankingRun(const List &servers, const List &players, QObject *parent = nullptr);
    ~RankingRun() override;

    void setHost(const QString &host) { m_host = host; }
    PageFetcher &fetcher() const { return *m_fetcher; }

    // Starts a run over the selected rows of one list; false when it has
    // none selected or a run is under way.
    bool start(RankingKind kind);
    // Ends the run at once; a page on its way is dropped and nothing is saved.
    void stop();
    bool isRunning() const;
    // The list of the running or last run, nullptr before the first.
    RankingModel *currentList() const { return m_current.model; }

Q_SIGNALS:
    // A page is on its way (true) or has been dealt with (false).
    void fetching(bool active);
    // The run ended with an error; the ranks so far stay, nothing is saved.
    void failed(const QString &message);
    // Every selected row was refreshed; the lists should be saved.
    void completed();

private:
    int fetchNext();
    void pageArrived(const QByteArray &body, const QByteArray &contentType);
    void fetchFailed(const QString &message);
    bool scrapeInto(int row, const QStringList &lines, QString *error);

    List m_servers;
    List m_players;
    List m_current{nullptr, nullptr};
    PageFetcher *m_fetcher;
    PacedWalk *m_walk;
    QPersistentModelIndex m_fetched;
    QString m_host;
};

} // namespace Stats
