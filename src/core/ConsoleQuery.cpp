#include "ConsoleQuery.h"

#include "DebugLog.h"
#include "DottedAddress.h"
#include "QueryEngine.h"
#include "RunState.h"
#include "ServerRecordFormat.h"
#include "ServerTable.h"

#include <QEventLoop>
#include <QIODevice>
#include <QTimer>

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
            const qsizetype colon = arg.lastIndexOf(QLatin1Char(':'));
            bool ok = false;
            const int port = colon > 0 ? arg.mid(colon + 1).toInt(&ok) : 0;
            if (!ok || port < 1 || port > 65535) {
                *error = QStringLiteral("'%1' is not of the form ADDRESS:QUERYPORT").arg(arg);
                return std::nullopt;
            }
            options.targets.append(Target{arg.left(colon), port});
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

ConsoleQuery::ConsoleQuery(const Options &options, DatagramSocket &socket, const PlatformServices &services)
    : m_options(options)
    , m_socket(socket)
    , m_services(services)
{
}

int ConsoleQuery::run(QIODevice &out, QIODevice &err, quint32 defaultSleepMs)
{
    RunState state;
    DebugLog log(state, *m_services.localTime);
    ServerTable table(log, *m_services.resolver);
    QueryEngine engine(state, table, log, m_socket, m_services);
    engine.SleepTime = m_options.sleepMs ? static_cast<quint32>(*m_options.sleepMs) : defaultSleepMs;

    QString bindError;
    if (!engine.bindMain(0, &bindError)) {
        err.write(QStringLiteral("quorvelin: cannot open a UDP socket: %1\n").arg(bindError).toUtf8());
        return SomeSilent;
    }

    QList<int> slots;
    for (const Target &target : m_options.targets) {
        const int slot = table.AddServer(target.address, target.port, QString());
        if (!DottedAddress::parse(table.server(slot)->Host).ok) {
            err.write(QStringLiteral("quorvelin: cannot resolve '%1'\n").arg(target.address).toUtf8());
            return BadArgument;
        }
        slots.append(slot);
    }

    QList<int> finals(ServerTable::kSlotCount, 0);
    QList<bool> replied(ServerTable::kSlotCount, false);
    int complete = 0;
    QEventLoop waitForReplies;
    QObject::connect(&engine, &QueryEngine::replyDecoded, &engine, [&](int slot, const QByteArray &datagram) {
        replied[slot] = true;
        if (datagram.contains("\\final\\") && ++finals[slot] == kFinalRepliesPerServer) {
            if (++complete == slots.size())
                waitForReplies.quit();
        }
    });

    for (int slot : slots) {
        engine.QueryServer(slot);
        engine.WaitPumping(engine.SleepTime);
    }
    if (complete < slots.size()) {
        QTimer::singleShot(std::chrono::milliseconds(m_options.timeoutMs), &waitForReplies, &QEventLoop::quit);
        waitForReplies.exec();
    }

    bool allReplied = true;
    for (int slot : slots) {
        const TUTServer &server = *table.server(slot);
        allReplied = allReplied && replied[slot];
        out.write(m_options.json ? ServerRecordFormat::toJsonLine(server)
                                 : ServerRecordFormat::toText(server, replied[slot]));
    }
    return allReplied ? AllReplied : SomeSilent;
}
