#include "RankingRun.h"

#include "PageFetcher.h"
#include "RankingModel.h"
#include "RankingPage.h"
#include "core/PacedWalk.h"

#include <QItemSelectionModel>

namespace Stats {

RankingRun::RankingRun(const List &servers, const List &players, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_players(players)
    , m_fetcher(new PageFetcher(this))
    , m_walk(new PacedWalk([this] { return fetchNext() < 0 ? PacedWalk::Step::Done : PacedWalk::Step::Pending; }, this))
{
    connect(m_fetcher, &PageFetcher::finished, this, &RankingRun::pageArrived);
    connect(m_fetcher, &PageFetcher::failed, this, &RankingRun::fetchFailed);
    connect(m_walk, &PacedWalk::finished, this, [this](bool allDone) {
        if (allDone)
            Q_EMIT completed();
    });
}

RankingRun::~RankingRun()
{
    stop();
}

bool RankingRun::start(RankingKind kind)
{
    const List list = kind == RankingKind::Server ? m_servers : m_players;
    if (isRunning() || !list.selection->hasSelection())
        return false;
    list.model->clearMarkers();
    m_current = list;
    return m_walk->startOpen(kPauseMs);
}

void RankingRun::stop()
{
    m_walk->cancel();
    if (m_fetcher->isBusy()) {
        m_fetcher->drop();
        Q_EMIT fetching(false);
    }
}

bool RankingRun::isRunning() const
{
    return m_walk->isRunning();
}

// Sends for the page of the first selected row; -1 when none is left.
int RankingRun::fetchNext()
{
    const int row = firstSelectedRow(*m_current.selection);
    if (row < 0)
        return -1;
    const RankingEntry &entry = m_current.model->entry(row);
    m_fetched = QPersistentModelIndex(m_current.model->index(row, 0));
    Q_EMIT fetching(true);
    m_fetcher->get(m_host, displayPath(entry.gameMode, entry.id, m_current.model->kind()));
    return row;
}

void RankingRun::pageArrived(const QByteArray &body, const QByteArray &contentType)
{
    QString error;
    const bool scraped =
        !m_fetched.isValid() || scrapeInto(m_fetched.row(), pageLines(body, pageCharset(contentType, body)), &error);
    Q_EMIT fetching(false);
    if (scraped) {
        m_walk->resume(PacedWalk::Step::Paused);
        return;
    }
    m_walk->resume(PacedWalk::Step::Stopped);
    Q_EMIT failed(error);
}

void RankingRun::fetchFailed(const QString &message)
{
    Q_EMIT fetching(false);
    m_walk->resume(PacedWalk::Step::Stopped);
    Q_EMIT failed(message);
}

// Marks and deselects the row whatever the page holds, so a run never
// fetches the same page twice.
bool RankingRun::scrapeInto(int row, const QStringList &lines, QString *error)
{
    RankingModel &model = *m_current.model;
    model.markRefreshed(row);
    m_current.selection->select(model.index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    const QString id = model.entry(row).id;
    const std::optional<qint64> number = rankingId(id);
    if (!number) {
        *error = QStringLiteral("'%1' is not a valid integer value").arg(id);
        return false;
    }
    const std::optional<RankFigures> ranks = scrapeRankingPage(lines, searchKey(*number), error);
    if (!ranks)
        return false;
    model.setRanks(row, *ranks);
    return true;
}

} // namespace Stats
