#include "BulkQuery.h"

#include "DottedAddress.h"
#include "platform/HostResolver.h"
#include "platform/UdpBatchSocket.h"

#include <QIODevice>
#include <QSet>

#include <chrono>

namespace {

const QByteArray kRequests[] = {QByteArrayLiteral("\\status\\"), QByteArrayLiteral("\\teams\\")};

// Output is written in pieces of about this size.
constexpr size_t kOutputChunk = 64 * 1024;

// Versions before this answer no "\teams\" request at all.
constexpr int kFirstVersionWithTeams = 451;

std::optional<int> parseCount(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

quint64 senderKey(quint32 ipv4, quint16 port)
{
    return (quint64(ipv4) << 16) | port;
}

} // namespace

std::optional<BulkQuery::Options> BulkQuery::parseArguments(const QStringList &arguments, QString *error,
                                                            bool targetsRequired)
{
    struct Numeric
    {
        const char *name;
        int Options::*member;
        int lowest;
        int highest;
        const char *what;
    };
    static const Numeric kNumeric[] = {
        {"--timeout", &Options::timeoutMs, 1, 600000, "a number of milliseconds from 1 to 600000"},
        {"--sleep", &Options::sleepMs, 0, 600000, "a number of milliseconds from 0 to 600000"},
        {"--retries", &Options::retries, 0, 10, "a number from 0 to 10"},
        {"--in-flight", &Options::inFlight, 1, 4096, "a number from 1 to 4096"},
    };
    Options options;
    for (qsizetype k = 0; k < arguments.size(); ++k) {
        const QString &arg = arguments[k];
        if (arg == QLatin1String("--json")) {
            options.json = true;
            continue;
        }
        const Numeric *numeric = nullptr;
        for (const Numeric &n : kNumeric) {
            if (arg == QLatin1String(n.name))
                numeric = &n;
        }
        if (numeric) {
            const std::optional<int> value = k + 1 < arguments.size()
                                                 ? parseCount(arguments[k + 1], numeric->lowest, numeric->highest)
                                                 : std::nullopt;
            if (!value) {
                *error = arg + QStringLiteral(" needs ") + QLatin1String(numeric->what);
                return std::nullopt;
            }
            options.*numeric->member = *value;
            ++k;
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
    if (targetsRequired && options.targets.isEmpty()) {
        *error = QStringLiteral("--query needs at least one ADDRESS:QUERYPORT");
        return std::nullopt;
    }
    return options;
}

BulkQuery::BulkQuery(Options options, HostResolver &resolver, QObject *parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_resolver(resolver)
{
    m_walk = new PacedWalk([this] { return sendStep(); }, this);
    connect(m_walk, &PacedWalk::finished, this, &BulkQuery::endWhenDone);
    m_deadlineTimer.setSingleShot(true);
    m_deadlineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &BulkQuery::onDeadline);
    connect(&m_resolver, &HostResolver::resolved, this, &BulkQuery::nameResolved);
}

BulkQuery::~BulkQuery() = default;

void BulkQuery::start(QIODevice &out, QIODevice &err)
{
    m_out = &out;
    m_err = &err;
    m_clock.start();
    for (UdpBatchSocket *&socket : m_sockets) {
        socket = new UdpBatchSocket(this);
        QString error;
        if (!socket->open(&error)) {
            err.write(QStringLiteral("quorvelin: cannot open a UDP socket: %1\n").arg(error).toUtf8());
            m_ended = true;
            Q_EMIT finished(CannotRun);
            return;
        }
    }
    connect(m_sockets[Status], &UdpBatchSocket::readyRead, this, [this] { readReplies(Status); });
    connect(m_sockets[Teams], &UdpBatchSocket::readyRead, this, [this] { readReplies(Teams); });

    removeDuplicates();
    m_targets.reserve(size_t(m_options.targets.size()));
    for (const ServerAddress &address : std::as_const(m_options.targets)) {
        Target target;
        target.host = address.address;
        target.port = quint16(address.port);
        const DottedAddress dotted = DottedAddress::parse(address.address);
        const int index = int(m_targets.size());
        if (dotted.ok) {
            target.ipv4 = dotted.ipv4;
            m_bySender.insert(senderKey(target.ipv4, target.port), index);
            m_ready.push_back(index);
        } else {
            target.stage = Stage::Resolving;
            m_byName[address.address].append(index);
        }
        m_targets.push_back(std::move(target));
    }
    m_options.targets.clear();
    const QStringList names = m_byName.keys();
    m_resolving = int(names.size());
    for (const QString &name : names)
        m_resolver.lookUp(name);
    m_walk->startOpen(quint32(m_options.sleepMs));
}

void BulkQuery::removeDuplicates()
{
    QSet<QString> seen;
    QList<ServerAddress> unique;
    unique.reserve(m_options.targets.size());
    for (const ServerAddress &address : std::as_const(m_options.targets)) {
        const QString key = address.address.toLower() + QLatin1Char(':') + QString::number(address.port);
        if (!seen.contains(key)) {
            seen.insert(key);
            unique.append(address);
        }
    }
    const qsizetype duplicates = m_options.targets.size() - unique.size();
    if (duplicates > 0)
        m_err->write(QStringLiteral("quorvelin: %1 duplicate server(s) skipped\n").arg(duplicates).toUtf8());
    m_options.targets = unique;
}

PacedWalk::Step BulkQuery::sendStep()
{
    if (m_ended)
        return PacedWalk::Step::Stopped;
    PacedWalk::Step step = PacedWalk::Step::Skipped;
    if (m_ready.empty()) {
        step = m_resolving > 0 ? PacedWalk::Step::Pending : PacedWalk::Step::Done;
    } else if (m_asked >= m_options.inFlight) {
        m_waitingForRoom = true;
        step = PacedWalk::Step::Pending;
    } else {
        const int index = m_ready.front();
        m_ready.pop_front();
        ++m_asked;
        m_targets[size_t(index)].stage = Stage::Asked;
        ask(index, Status);
        if (m_options.sleepMs > 0)
            step = PacedWalk::Step::Paused;
    }
    // Requests leave together whenever the walk stops for a while.
    if (step != PacedWalk::Step::Skipped)
        m_sockets[Status]->flush();
    return step;
}

void BulkQuery::ask(int index, Request request)
{
    Target &target = m_targets[size_t(index)];
    const quint8 tryNumber = ++target.tries[request];
    if (request == Status)
        target.sentUs = nowUs();
    m_sockets[request]->queue(kRequests[request], target.ipv4, target.port);
    m_deadlines.push_back({nowUs() + qint64(m_options.timeoutMs) * 1000, index, request, tryNumber});
    armDeadline();
}

void BulkQuery::armDeadline()
{
    if (m_deadlines.empty() || m_deadlineTimer.isActive())
        return;
    const qint64 waitUs = std::max<qint64>(0, m_deadlines.front().atUs - nowUs());
    m_deadlineTimer.start(std::chrono::milliseconds((waitUs + 999) / 1000));
}

void BulkQuery::readReplies(Request request)
{
    m_sockets[request]->readAll([this, request](const char *data, int size, quint32 ipv4, quint16 port) {
        const quint64 key = senderKey(ipv4, port);
        auto found = m_bySender.constFind(key);
        if (found == m_bySender.cend()) {
            ++m_strays;
            return;
        }
        for (; found != m_bySender.cend() && found.key() == key; ++found)
            take(*found, request, QByteArrayView(data, size));
    });
    // Replies often make room for servers not yet asked, and answers may
    // need a "\teams\" request.
    m_sockets[Teams]->flush();
    if (m_waitingForRoom && m_asked < m_options.inFlight) {
        m_waitingForRoom = false;
        m_walk->resume(PacedWalk::Step::Skipped);
    }
    m_sockets[Status]->flush();
    printFinished();
}

void BulkQuery::take(int index, Request request, QByteArrayView datagram)
{
    Target &target = m_targets[size_t(index)];
    if (target.stage != Stage::Asked || target.tries[request] == 0)
        return;
    if (!target.replied) {
        target.replied = true;
        target.pingUs = nowUs() - target.sentUs;
    }
    QueryReply &reply = target.replies[request];
    if (reply.isWhole() || !reply.add(datagram) || !reply.isWhole())
        return;
    if (request == Teams) {
        finishTarget(index);
        return;
    }
    // A team game of a version that answers "\teams\" is asked for its teams.
    const QList<QByteArrayView> parts = reply.parts();
    bool teamGame = false;
    int version = 0;
    for (QByteArrayView part : parts) {
        teamGame = teamGame || part.contains("\\maxteams\\");
        const qsizetype at = version == 0 ? part.indexOf("\\gamever\\") : -1;
        if (at >= 0) {
            const QByteArrayView rest = part.sliced(at + 9);
            const qsizetype end = rest.indexOf('\\');
            version = (end < 0 ? rest : rest.first(end)).trimmed().toInt();
        }
    }
    if (teamGame && version >= kFirstVersionWithTeams) {
        target.teamsAsked = true;
        ask(index, Teams);
    } else {
        finishTarget(index);
    }
}

void BulkQuery::onDeadline()
{
    const qint64 now = nowUs();
    while (!m_deadlines.empty() && m_deadlines.front().atUs <= now) {
        const Deadline deadline = m_deadlines.front();
        m_deadlines.pop_front();
        Target &target = m_targets[size_t(deadline.target)];
        if (target.stage != Stage::Asked || target.tries[deadline.request] != deadline.tryNumber
            || target.replies[deadline.request].isWhole())
            continue;
        if (deadline.tryNumber <= m_options.retries)
            ask(deadline.target, deadline.request);
        else
            finishTarget(deadline.target);
    }
    armDeadline();
    for (UdpBatchSocket *socket : m_sockets)
        socket->flush();
    if (m_waitingForRoom && m_asked < m_options.inFlight) {
        m_waitingForRoom = false;
        m_walk->resume(PacedWalk::Step::Skipped);
    }
    printFinished();
}

void BulkQuery::finishTarget(int index)
{
    Target &target = m_targets[size_t(index)];
    if (target.stage == Stage::Asked)
        --m_asked;
    target.stage = Stage::Done;
}

void BulkQuery::nameResolved(const QString &name, const QString &ipv4)
{
    const auto found = m_byName.find(name);
    if (found == m_byName.end() || m_ended)
        return;
    const QList<int> indices = found.value();
    m_byName.erase(found);
    --m_resolving;
    const DottedAddress dotted = DottedAddress::parse(ipv4);
    if (!dotted.ok)
        m_err->write(QStringLiteral("quorvelin: cannot resolve '%1'\n").arg(name).toUtf8());
    for (int index : indices) {
        Target &target = m_targets[size_t(index)];
        if (!dotted.ok) {
            target.stage = Stage::Done;
            continue;
        }
        target.ipv4 = dotted.ipv4;
        target.stage = Stage::Waiting;
        m_bySender.insert(senderKey(target.ipv4, target.port), index);
        m_ready.push_back(index);
    }
    if (m_walk->isRunning() && !m_waitingForRoom)
        m_walk->resume(PacedWalk::Step::Skipped);
    m_sockets[Status]->flush();
    printFinished();
}

void BulkQuery::printFinished()
{
    if (m_ended)
        return;
    while (m_nextToPrint < int(m_targets.size()) && m_targets[size_t(m_nextToPrint)].stage == Stage::Done) {
        Target &target = m_targets[size_t(m_nextToPrint)];
        QueryRecord record;
        record.host = target.host;
        record.queryPort = target.port;
        record.statusParts = target.replies[Status].parts();
        if (target.teamsAsked)
            record.teamsParts = target.replies[Teams].parts();
        record.replied = target.replied;
        record.complete = target.replies[Status].isWhole() && (!target.teamsAsked || target.replies[Teams].isWhole());
        record.tries = std::max(target.tries[Status], target.tries[Teams]);
        if (target.pingUs >= 0)
            record.pingMs = int((target.pingUs + 500) / 1000);
        if (m_options.json)
            m_writer.appendJson(m_output, record);
        else
            m_writer.appendText(m_output, record);
        if (!record.complete)
            ++m_missing;
        target.replies[Status].clear();
        target.replies[Teams].clear();
        target.host = QString();
        ++m_nextToPrint;
    }
    flushOutput(false);
    endWhenDone();
}

void BulkQuery::flushOutput(bool all)
{
    if (m_output.size() >= kOutputChunk || (all && !m_output.empty())) {
        m_out->write(m_output.data(), qint64(m_output.size()));
        m_output.clear();
    }
}

void BulkQuery::endWhenDone()
{
    if (m_ended || m_nextToPrint < int(m_targets.size()) || m_walk->isRunning())
        return;
    m_ended = true;
    m_deadlineTimer.stop();
    flushOutput(true);
    if (m_strays > 0)
        m_err->write(
            QStringLiteral("quorvelin: %1 datagram(s) from addresses not asked were ignored\n").arg(m_strays).toUtf8());
    Q_EMIT finished(m_missing > 0 ? SomeMissing : AllComplete);
}

#include "moc_BulkQuery.cpp"
