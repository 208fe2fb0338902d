#include "SimulatedStatsService.h"

#include "ChunkFeeder.h"
#include "SimulatedHttp.h"
#include "StatsPages.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTcpSocket>

#include <utility>

namespace {

// Pieces of a cut answer leave this long after the one before has gone out.
constexpr int kCutPauseMs = 2;

using Query = QList<std::pair<QByteArray, QByteArray>>;

QByteArray head(int status, qsizetype contentLength, StatsPages::Charset charset = StatsPages::Charset::Windows1252)
{
    const QByteArray reason = status == 200   ? QByteArrayLiteral("OK")
                              : status == 404 ? QByteArrayLiteral("Not Found")
                                              : QByteArrayLiteral("Bad Request");
    const QByteArray name = StatsPages::charsetName(charset);
    return SimulatedHttp::head(QByteArray::number(status) + ' ' + reason,
                               "text/html" + (name.isEmpty() ? QByteArray() : "; charset=" + name), contentLength);
}

const QByteArray kBadRequest = head(400, 0);

// Names in lower case; values with "+" and %XX decoded.
Query parseQuery(const QByteArray &query)
{
    Query items;
    for (const QByteArray &item : query.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype equals = item.indexOf('=');
        const QByteArray name = equals < 0 ? item : item.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : item.mid(equals + 1);
        items.append({name.toLower(), QByteArray::fromPercentEncoding(value.replace('+', ' '))});
    }
    return items;
}

QByteArray queryValue(const Query &query, QByteArrayView name)
{
    for (const auto &[itemName, value] : query) {
        if (itemName == name)
            return value;
    }
    return {};
}

// Searched-for text arrives in Windows-1252 like the pages; well-formed UTF-8 is taken too.
QString searchText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? StatsPages::decodeWindows1252(bytes) : text;
}

bool readKind(const Query &query, StatsKind &kind)
{
    const QByteArray view = queryValue(query, "view").toLower();
    if (view == "s")
        kind = StatsKind::Server;
    else if (view == "p")
        kind = StatsKind::Player;
    else
        return false;
    return true;
}

// Digits, perhaps with thousands commas.
bool readId(const QByteArray &text, quint64 &id)
{
    QByteArray digits = text.trimmed();
    digits.replace(',', QByteArray());
    bool ok = false;
    id = digits.toULongLong(&ok);
    return ok;
}

} // namespace

QByteArray StatsRequest::path() const
{
    const QByteArrayList words = requestLine.split(' ');
    return words.size() > 1 ? words.at(1) : QByteArray();
}

QByteArray StatsRequest::header(QByteArrayView name) const
{
    for (const auto &[headerName, value] : headers) {
        if (headerName.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

SimulatedStatsService::SimulatedStatsService(const StatsCatalogue &catalogue, QObject *parent)
    : SimulatedTcpService(parent)
    , m_catalogue(catalogue)
{
}

QString SimulatedStatsService::url() const
{
    return QStringLiteral("http://") + address();
}

StatsAnswer SimulatedStatsService::answer(const QByteArray &path) const
{
    const qsizetype question = path.indexOf('?');
    const QByteArray script = path.left(question).toLower();
    const Query query = parseQuery(question < 0 ? QByteArray() : path.mid(question + 1));
    StatsAnswer page = script == "/fcgi-bin/display"  ? display(query)
                       : script == "/fcgi-bin/search" ? search(query)
                                                      : StatsAnswer{404, StatsPages::notFoundPage(), false};
    page.body = StatsPages::encodePage(page.body, m_charset);
    return page;
}

// gm=all: the entry's own page; a game mode: its ranks there.
StatsAnswer SimulatedStatsService::display(const Query &query) const
{
    StatsKind kind = StatsKind::Player;
    quint64 id = 0;
    const bool known = readKind(query, kind) && readId(queryValue(query, "uid"), id);
    const StatsEntry *entry = known ? m_catalogue.find(kind, id) : nullptr;
    const QString mode = QString::fromLatin1(queryValue(query, "gm").toLower());
    if (mode == QLatin1String("all"))
        return {200, entry ? StatsPages::entryPage(kind, *entry) : StatsPages::missingEntryPage(), false};
    return {200, StatsPages::rankPage(kind, mode, entry), false};
}

namespace {

// An address with its port, or the host part alone.
bool sameHost(const QString &address, const QString &text)
{
    return address == text || address.section(QLatin1Char(':'), 0, 0) == text;
}

} // namespace

// Names match as a substring in any case, ids whole, addresses with or
// without the port.
StatsAnswer SimulatedStatsService::search(const Query &query) const
{
    StatsKind kind = StatsKind::Player;
    QList<const StatsEntry *> matches;
    if (readKind(query, kind)) {
        const QByteArray type = queryValue(query, "type").toLower();
        const QByteArray data = queryValue(query, "data");
        const QString text = searchText(data).trimmed();
        quint64 id = 0;
        const bool byId = type == "uid" && readId(data, id);
        for (const StatsEntry &entry : m_catalogue.entries(kind)) {
            const bool match = byId             ? entry.id == id
                               : type == "name" ? !text.isEmpty() && entry.name.contains(text, Qt::CaseInsensitive)
                               : type == "addr"
                                   ? kind == StatsKind::Server && !text.isEmpty() && sameHost(entry.address, text)
                                   : false;
            if (match)
                matches.append(&entry);
        }
    }
    if (matches.size() == 1)
        return {200, StatsPages::refreshPage(StatsPages::entryPath(kind, matches.constFirst()->id)), true};
    return {200, StatsPages::listPage(kind, matches), true};
}

void SimulatedStatsService::serve(QTcpSocket *socket)
{
    SimulatedHttp::readRequest(
        socket, this, [this, socket](const QByteArray &bytes) { take(socket, bytes); }, kBadRequest);
}

// Every request is recorded with its headers, a bad one too.
void SimulatedStatsService::take(QTcpSocket *socket, const QByteArray &bytes)
{
    StatsRequest request;
    const QByteArrayList lines = bytes.left(SimulatedHttp::headersEnd(bytes)).split('\n');
    request.requestLine = lines.constFirst().trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.append({lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
    }
    m_requests.append(request);
    Q_EMIT requestReceived(m_requests.constLast());

    const QByteArray path = SimulatedHttp::getPath(request.requestLine);
    if (path.isEmpty())
        SimulatedHttp::answerAndClose(socket, kBadRequest);
    else
        respond(socket, path);
}

void SimulatedStatsService::respond(QTcpSocket *socket, const QByteArray &path)
{
    if (m_misbehaviour == Misbehaviour::NotFound) {
        send(socket, 404, {StatsPages::notFoundPage()});
        return;
    }
    StatsAnswer page = answer(path);
    if (page.search && m_misbehaviour == Misbehaviour::RefreshLoop)
        page.body = StatsPages::refreshPage(path);
    if (page.status != 200) {
        send(socket, page.status, {page.body});
        return;
    }
    switch (m_misbehaviour) {
    case Misbehaviour::None:
    case Misbehaviour::NotFound:
    case Misbehaviour::RefreshLoop: send(socket, page.status, {page.body}); return;
    case Misbehaviour::Huge: send(socket, page.status, {filler(), page.body}); return;
    case Misbehaviour::EndlessLine: {
        socket->write(head(200, -1, m_charset));
        const QByteArray words = QByteArrayLiteral("ngWorldStats ").repeated(ChunkFeeder::kChunkSize / 13);
        auto *feeder = new ChunkFeeder(socket, [start = QByteArrayLiteral("<html><body>") + words, words]() mutable {
            return start.isEmpty() ? words : std::exchange(start, QByteArray());
        });
        feeder->start();
        return;
    }
    case Misbehaviour::Stall: socket->write(head(200, page.body.size(), m_charset)); return;
    case Misbehaviour::Garbage: {
        QRandomGenerator random(quint32(m_requests.size()));
        QByteArray bytes(kGarbageSize, '\0');
        for (char &byte : bytes)
            byte = char(random.bounded(256));
        send(socket, 200, {bytes});
        return;
    }
    }
}

void SimulatedStatsService::send(QTcpSocket *socket, int status, const QByteArrayList &pieces)
{
    qsizetype length = 0;
    for (const QByteArray &piece : pieces)
        length += piece.size();
    const QByteArray answerHead = head(status, length, m_charset);
    if (m_cuts.isEmpty() && m_cutEvery <= 0) {
        ChunkFeeder::sendAndClose(socket, QByteArrayList{answerHead} + pieces);
        return;
    }
    const QByteArray bytes = answerHead + pieces.join();
    QList<qsizetype> cuts = m_cuts;
    for (qsizetype at = m_cutEvery; m_cutEvery > 0 && at < bytes.size(); at += m_cutEvery)
        cuts.append(at);
    ChunkFeeder::sendCut(socket, bytes, cuts, kCutPauseMs, [socket] { socket->disconnectFromHost(); });
}

// Comment lines without digits, so they hold no entry's number.
const QByteArray &SimulatedStatsService::filler()
{
    if (m_filler.isEmpty()) {
        const QByteArray line = "<!-- " + QByteArrayLiteral("ngWorldStats ").repeated(7) + "-->\n";
        m_filler = line.repeated(kHugeSize / line.size() + 1);
    }
    return m_filler;
}
