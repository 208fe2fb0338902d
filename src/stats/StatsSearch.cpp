#include "StatsSearch.h"

#include "PageFetcher.h"

namespace Stats {

StatsSearch::StatsSearch(QObject *parent)
    : QObject(parent)
    , m_fetcher(new PageFetcher(this))
{
    // The service's search pages were written for this character set.
    m_fetcher->setAcceptCharset(QByteArrayLiteral("iso-8859-5"));
    connect(m_fetcher, &PageFetcher::finished, this, &StatsSearch::pageArrived);
    connect(m_fetcher, &PageFetcher::failed, this, &StatsSearch::fetchFailed);
}

bool StatsSearch::start(SearchBy by, RankingKind kind, const QString &text)
{
    m_fetcher->drop();
    m_running = false;
    if (text.isEmpty())
        return false;
    m_kind = by == SearchBy::Address ? RankingKind::Server : kind;
    m_reachedByRefresh = false;
    m_hops = 0;
    m_running = true;
    fetch(searchPath(by, kind, text));
    return true;
}

void StatsSearch::cancel()
{
    if (m_running)
        m_fetcher->abort();
}

void StatsSearch::fetch(const QString &path)
{
    m_fetcher->get(m_host, path);
}

void StatsSearch::pageArrived(const QByteArray &body, const QByteArray &contentType)
{
    if (!m_running)
        return;
    const SearchResult result =
        scrapeSearchPage(pageLines(body, pageCharset(contentType, body)), m_kind, m_reachedByRefresh);
    if (result.refreshPath) {
        if (m_hops == kMaxRefreshHops) {
            m_running = false;
            Q_EMIT failed(QStringLiteral("The statistics server kept sending the search on to another page; "
                                         "the search was stopped after %1 pages.")
                              .arg(kMaxRefreshHops + 1));
            return;
        }
        ++m_hops;
        m_reachedByRefresh = true;
        fetch(*result.refreshPath);
        return;
    }
    m_running = false;
    Q_EMIT finished(result.rows);
}

void StatsSearch::fetchFailed(const QString &message)
{
    if (!m_running)
        return;
    m_running = false;
    Q_EMIT failed(message);
}

} // namespace Stats
