#include "HistoryKeeper.h"

#include "HistoryPage.h"
#include "core/Poller.h"
#include "core/ServerTable.h"
#include "core/StrToIntOrZero.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "platform/MessageBoxes.h"

#include <QDateTime>
#include <QTimer>

HistoryKeeper::HistoryKeeper(const Context &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    if (m_context.profileDirectory.isEmpty())
        return;
    m_store = std::make_unique<HistoryStore>();
    m_store->setHistoryDays(m_context.historyDays);
    if (!m_store->open(HistoryStore::filePath(m_context.profileDirectory))) {
        const QString message = m_store->errorString();
        // Said once the window is up, not from inside its construction.
        QTimer::singleShot(0, this, [this, message] { tellUnavailable(message); });
        return;
    }
    m_recorder = new HistoryRecorder(*m_store, m_context.table, m_context.engine, m_context.poller, {}, this);
    connect(m_recorder, &HistoryRecorder::historyUnavailable, this, &HistoryKeeper::tellUnavailable);
    // The recorder writes a walk when it ends; the page shows it after.
    connect(&m_context.poller, &Poller::playerScanFinished, this, &HistoryKeeper::refreshPage);
    connect(&m_context.poller, &Poller::allServersUpdated, this, &HistoryKeeper::refreshPage);
    m_context.page.setSource(m_store.get());
}

HistoryKeeper::~HistoryKeeper()
{
    // Replies that came since the last write are kept: the recorder writes
    // them before the store closes, quietly, as the window is going.
    if (m_recorder) {
        m_recorder->disconnect(this);
        m_recorder->flush();
        delete m_recorder;
    }
}

HistorySource *HistoryKeeper::source() const
{
    return m_store && m_store->isAvailable() ? m_store.get() : nullptr;
}

void HistoryKeeper::setHistoryDays(int days)
{
    if (m_store)
        m_store->setHistoryDays(days);
}

void HistoryKeeper::showServer(int slot)
{
    m_shownSlot = slot;
    refreshPage();
}

void HistoryKeeper::refreshPage()
{
    const TServerListInfo *entry = m_shownSlot >= 0 ? m_context.table.entry(m_shownSlot) : nullptr;
    if (!entry)
        return;
    m_context.page.showServer(HistoryServer{entry->Host, strToIntOrZero(entry->Port)},
                              QDateTime::currentSecsSinceEpoch());
}

void HistoryKeeper::tellUnavailable(const QString &message)
{
    if (m_told)
        return;
    m_told = true;
    m_context.page.setSource(nullptr);
    m_context.messages.showWarning(
        QStringLiteral("The history of the servers is not kept in this run.\n%1").arg(message));
}
