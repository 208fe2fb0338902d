#include "ConsoleQuery.h"

#include "PacedWalk.h"
#include "QueryStack.h"
#include "ServerRecordFormat.h"

#include <QIODevice>

#include <chrono>

namespace {

constexpr int kFinalRepliesPerServer = 4;

std::optional<int> parseMilliseconds(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<ConsoleQuery::Options> ConsoleQuery::parseArguments(const QStringList &arguments, QString *error)
{
    Options options;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString &arg = arguments[k];
        if (arg == QLatin1String("--json")) {
            options.json = true;
        } else if (arg == QLatin1String("--timeout") || arg == QLatin1String("--sleep")) {
            const std::optional<int> ms = k + 1 < arguments.size() ? parseMilliseconds(arguments[k + 1]) : std::nullopt;
            if (!ms) {
                *error = arg + QStringLiteral(" needs a number of milliseconds");
                return std::nullopt;
            }
            ++k;
            if (arg == QLatin1String("--timeout"))
                options.timeoutMs = *ms;
            else
                options.sleepMs = *ms;
        } else if (arg.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unknown option ") + arg;
            return std::nullopt;
        } else {
            const std::optional<ServerAddress> target = ServerAddress::parse(arg, error);
            if (!target)
                return std::nullopt;
            options.targets.append(*target);
        }
    }
    if (options.targets.isEmpty()) {
        *error = QStringLiteral("--query needs at least one ADDRESS:QUERYPORT");
        return std::nullopt;
    }
    if (options.targets.size() > 256) {
        *error = QStringLiteral("at most 256 servers can be queried at once");
        return std::nullopt;
    }
    return options;
}

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
        m_err->write(QStringLiteral("quorvelin: cannot resolve '%1'\n").arg(m_stack->table.server(slot)->Host).toUtf8());
        ++m_complete;
        finishWhenComplete();
    });
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(std::chrono::milliseconds(m_options.timeoutMs));
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        printRecords();
        end(exitCode());
    });
}

ConsoleQuery::~ConsoleQuery() = default;

void ConsoleQuery::start(QIODevice &out, QIODevice &err, quint32 defaultSleepMs)
{
    m_out = &out;
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
        printRecords();
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

void ConsoleQuery::printRecords()
{
    if (!m_options.print)
        return;
    for (int slot : std::as_const(m_slots)) {
        const TUTServer &server = *m_stack->table.server(slot);
        m_out->write(m_options.json ? ServerRecordFormat::toJsonLine(server, m_replied[slot])
                                    : ServerRecordFormat::toText(server, m_replied[slot]));
    }
}

void ConsoleQuery::end(int exitCode)
{
    m_ended = true;
    m_timeout.stop();
    m_walk->cancel();
    m_stack->engine.stopReceiving();
    Q_EMIT finished(exitCode);
}
