#pragma once

#include "RankingEntry.h"
#include "SearchPage.h"

#include <QList>
#include <QObject>
#include <QString>

#include <utility>

namespace Stats {

class PageFetcher;

// A search of the statistics service for servers or players by id, name or
// address. A result list gives its matches; a search with one match is sent
// on through a refresh mark to that entry's page, which is fetched and read
// in turn, at most kMaxRefreshHops times in a chain. Each run ends in exactly
// one of finished() or failed(), unless cancel() or a new start ends it first.
class StatsSearch final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxRefreshHops = 3;

    explicit StatsSearch(QObject *parent = nullptr);

    // host: "name" or "name:port".
    void setHost(const QString &host) { m_host = host; }
    QString host() const { return m_host; }
    PageFetcher &fetcher() const { return *m_fetcher; }

    // Starts a search; false (and nothing starts) when text is empty.
    bool start(SearchBy by, RankingKind kind, const QString &text);
    // Ends the search under way with failed("The transfer was cancelled.").
    void cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    // The matches as (name, id), each id once.
    void finished(const QList<std::pair<QString, QString>> &matches);
    void failed(const QString &message);

private:
    void fetch(const QString &path);
    void pageArrived(const QByteArray &body, const QByteArray &contentType);
    void fetchFailed(const QString &message);

    PageFetcher *m_fetcher;
    QString m_host;
    RankingKind m_kind = RankingKind::Server;
    bool m_reachedByRefresh = false;
    int m_hops = 0;
    bool m_running = false;
};

} // namespace Stats
