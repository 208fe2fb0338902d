#include "ConsoleQuery.h"

#include "PacedWalk.h"
#include "QueryStack.h"

#include <QIODevice>

#include <chrono>

namespace {

constexpr int kFinalRepliesPerServer = 4;

} // namespace

ConsoleQuery::ConsoleQuery(const Options &options, DatagramSocket &socket, const PlatformServices &services,
                           QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_stack(std::make_unique<QueryStack>(socket, services, false))
    , m_finals(ServerTable::kSlotCount, 0)
    , m_replied(ServerTable::kSlotCount, false)
    , m_unresolved(ServerTable::kSlotCount, false)
{
    m_walk = m_stack->engine.createQueryWalk(this);
    connect(m_walk, &PacedWalk::finished, this, [this] {
        m_walkDone = true;
        finishWhenComplete();
        if (!m_ended)
            m_timeout.start();
    });
    connect(&m_stack->engine, &QueryEngine::replyDecoded, this, &ConsoleQuery::countReply);
    // A name is asked once it resolves; one that does not is told and done with.
    connect(&m_stack->table, &ServerTable::addressResolved, this, [this](int slot) {
        if (!m_ended)
            m_stack->engine.queryServer(slot);
    });
    connect(&m_stack->table, &ServerTable::addressFailed, this, [this](int slot) {
        if (m_ended || m_unresolved[slot])
            return;
        m_unresolved[slot] = true;
        m_err->write(
            QStringLiteral("quorvelin: cannot resolve '%1'\n").arg(m_stack->table.server(slot)->Host).toUtf8());
        ++m_complete;
        finishWhenComplete();
    });
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(std::chrono::milliseconds(m_options.timeoutMs));
    connect(&m_timeout, &QTimer::timeout, this, [this] { end(exitCode()); });
}

ConsoleQuery::~ConsoleQuery() = default;

void ConsoleQuery::start(QIODevice &err, quint32 defaultSleepMs)
{
    m_err = &err;
    QueryEngine &engine = m_stack->engine;
    engine.setSleepTime(m_options.sleepMs ? static_cast<quint32>(*m_options.sleepMs) : defaultSleepMs);

    QString bindError;
    if (!engine.bindMain(0, &bindError)) {
        err.write(QStringLiteral("quorvelin: cannot open a UDP socket: %1\n").arg(bindError).toUtf8());
        end(CannotRun);
        return;
    }
    ServerTable &table = m_stack->table;
    QList<quint64> items;
    for (const ServerAddress &target : std::as_const(m_options.targets)) {
        const int slot = table.addServer(target.address, target.port, QString());
        m_slots.append(slot);
        items.append(table.itemIdAt(table.positionOfSlot(slot)));
    }
    m_walk->start(items, engine.sleepTime());
}

void ConsoleQuery::countReply(int slot, const QByteArray &datagram)
{
    m_replied[slot] = true;
    if (datagram.contains("\\final\\") && ++m_finals[slot] == kFinalRepliesPerServer)
        ++m_complete;
    finishWhenComplete();
}

void ConsoleQuery::finishWhenComplete()
{
    // Every query goes out before the run ends, however early all replies are in.
    if (m_walkDone && !m_ended && m_complete == m_slots.size()) {
        end(exitCode());
    }
}

int ConsoleQuery::exitCode() const
{
    for (int slot : m_slots) {
        if (!m_replied[slot])
            return SomeSilent;
    }
    return AllReplied;
}

ServerTable &ConsoleQuery::table()
{
    return m_stack->table;
}

void ConsoleQuery::end(int exitCode)
{
    m_ended = true;
    m_timeout.stop();
    m_walk->cancel();
    m_stack->engine.stopReceiving();
    Q_EMIT finished(exitCode);
}
