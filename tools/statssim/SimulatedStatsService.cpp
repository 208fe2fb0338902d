#include "SimulatedStatsService.h"

#include "StatsPages.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr qsizetype MaxRequestSize = 16 * 1024;
constexpr qint64 ChunkSize = 64 * 1024;

using Query = QList<std::pair<QByteArray, QByteArray>>;

QByteArray headers(int status, qsizetype contentLength, StatsPages::Charset charset = StatsPages::Charset::Windows1252)
{
    const QByteArray reason = status == 200 ? QByteArrayLiteral("OK")
        : status == 404                     ? QByteArrayLiteral("Not Found")
                                            : QByteArrayLiteral("Bad Request");
    const QByteArray name = StatsPages::charsetName(charset);
    QByteArray text = "HTTP/1.0 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Type: text/html"
        + (name.isEmpty() ? QByteArray() : "; charset=" + name) + "\r\n";
    if (contentLength >= 0)
        text += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return text + "\r\n";
}

// Keeps the socket's write buffer topped up from source, a chunk at a time as
// the client takes the data, so long or endless bodies neither pile up in
// memory nor hold the event loop. An empty chunk ends the body and the connection.
void stream(QTcpSocket *socket, std::function<QByteArray()> source)
{
    auto next = std::make_shared<std::function<QByteArray()>>(std::move(source));
    const auto topUp = [socket, next] {
        if (!*next || socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() >= ChunkSize)
            return;
        const QByteArray chunk = (*next)();
        if (chunk.isEmpty()) {
            *next = nullptr;
            socket->disconnectFromHost();
            return;
        }
        socket->write(chunk);
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}

// Sends the pieces one after the other, then closes.
void sendPieces(QTcpSocket *socket, const QByteArray &head, const QByteArrayList &pieces)
{
    socket->write(head);
    stream(socket, [pieces, index = qsizetype(0), offset = qsizetype(0)]() mutable {
        while (index < pieces.size() && offset >= pieces.at(index).size()) {
            ++index;
            offset = 0;
        }
        if (index == pieces.size())
            return QByteArray();
        const QByteArray chunk = pieces.at(index).mid(offset, ChunkSize);
        offset += chunk.size();
        return chunk;
    });
}

// "GET /path HTTP/1.x" -> "/path"; empty for anything else.
QByteArray getPath(const QByteArray &requestLine)
{
    const QByteArrayList words = requestLine.trimmed().split(' ');
    if (words.size() != 3 || words.at(0) != "GET" || !words.at(2).startsWith("HTTP/1.") || words.at(1).isEmpty())
        return {};
    return words.at(1);
}

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

// Sends the bytes in pieces cut at the offsets, a short pause between two, then closes.
void sendCut(QTcpSocket *socket, const QByteArray &bytes, QList<qsizetype> cuts)
{
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    cuts.erase(std::remove_if(cuts.begin(), cuts.end(), [&bytes](qsizetype at) { return at <= 0 || at >= bytes.size(); }),
               cuts.end());
    cuts.append(bytes.size());
    auto *pause = new QTimer(socket);
    pause->setInterval(2);
    QObject::connect(pause, &QTimer::timeout, socket, [socket, pause, bytes, cuts, next = qsizetype(0),
                                                       offset = qsizetype(0)]() mutable {
        if (socket->state() != QAbstractSocket::ConnectedState) {
            pause->stop();
            return;
        }
        const qsizetype end = cuts.at(next++);
        socket->write(bytes.mid(offset, end - offset));
        socket->flush();
        offset = end;
        if (next == cuts.size()) {
            pause->stop();
            socket->disconnectFromHost();
        }
    });
    pause->start();
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
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_catalogue(catalogue)
{
    connect(m_server, &QTcpServer::newConnection, this, &SimulatedStatsService::acceptConnections);
}

SimulatedStatsService::~SimulatedStatsService()
{
    blockSignals(true);
    close();
}

bool SimulatedStatsService::listen(quint16 port)
{
    if (m_server->isListening())
        return true;
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 SimulatedStatsService::port() const
{
    return m_server->isListening() ? m_server->serverPort() : quint16(0);
}

bool SimulatedStatsService::isListening() const
{
    return m_server->isListening();
}

void SimulatedStatsService::close()
{
    m_server->close();
    const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->abort();
        socket->deleteLater();
    }
}

QString SimulatedStatsService::url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

StatsAnswer SimulatedStatsService::answer(const QByteArray &path) const
{
    const qsizetype question = path.indexOf('?');
    const QByteArray script = path.left(question).toLower();
    const Query query = parseQuery(question < 0 ? QByteArray() : path.mid(question + 1));
    StatsAnswer page = script == "/fcgi-bin/display" ? display(query)
        : script == "/fcgi-bin/search"                 ? search(query)
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
            const bool match = byId ? entry.id == id
                : type == "name"    ? !text.isEmpty() && entry.name.contains(text, Qt::CaseInsensitive)
                : type == "addr"    ? kind == StatsKind::Server && !text.isEmpty() && sameHost(entry.address, text)
                                    : false;
            if (match)
                matches.append(&entry);
        }
    }
    if (matches.size() == 1)
        return {200, StatsPages::refreshPage(StatsPages::entryPath(kind, matches.constFirst()->id)), true};
    return {200, StatsPages::listPage(kind, matches), true};
}

void SimulatedStatsService::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] { readRequest(socket, *buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Waits for the empty line that ends the request headers.
void SimulatedStatsService::readRequest(QTcpSocket *socket, QByteArray &buffer)
{
    buffer += socket->readAll();
    qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        end = buffer.indexOf("\n\n");
    if (end < 0) {
        if (buffer.size() > MaxRequestSize) {
            socket->write(headers(400, 0));
            socket->disconnectFromHost();
        }
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

    StatsRequest request;
    const QByteArrayList lines = buffer.left(end).split('\n');
    buffer.clear();
    request.requestLine = lines.constFirst().trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            request.headers.append({lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
    }
    m_requests.append(request);
    Q_EMIT requestReceived(m_requests.constLast());

    const QByteArray path = getPath(request.requestLine);
    if (path.isEmpty()) {
        socket->write(headers(400, 0));
        socket->disconnectFromHost();
        return;
    }
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
    case Misbehaviour::RefreshLoop:
        send(socket, page.status, {page.body});
        return;
    case Misbehaviour::Huge:
        send(socket, page.status, {filler(), page.body});
        return;
    case Misbehaviour::EndlessLine: {
        socket->write(headers(200, -1, m_charset));
        const QByteArray words = QByteArrayLiteral("ngWorldStats ").repeated(ChunkSize / 13);
        stream(socket, [start = QByteArrayLiteral("<html><body>") + words, words]() mutable {
            return start.isEmpty() ? words : std::exchange(start, QByteArray());
        });
        return;
    }
    case Misbehaviour::Stall:
        socket->write(headers(200, page.body.size(), m_charset));
        return;
    case Misbehaviour::Garbage: {
        QRandomGenerator random(quint32(m_requests.size()));
        QByteArray bytes(GarbageSize, '\0');
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
    const QByteArray head = headers(status, length, m_charset);
    if (m_cuts.isEmpty() && m_cutEvery <= 0) {
        sendPieces(socket, head, pieces);
        return;
    }
    const QByteArray bytes = head + pieces.join();
    QList<qsizetype> cuts = m_cuts;
    for (qsizetype at = m_cutEvery; m_cutEvery > 0 && at < bytes.size(); at += m_cutEvery)
        cuts.append(at);
    sendCut(socket, bytes, cuts);
}

// Comment lines without digits, so they hold no entry's number.
const QByteArray &SimulatedStatsService::filler()
{
    if (m_filler.isEmpty()) {
        const QByteArray line = "<!-- " + QByteArrayLiteral("ngWorldStats ").repeated(7) + "-->\n";
        m_filler = line.repeated(HugeSize / line.size() + 1);
    }
    return m_filler;
}
