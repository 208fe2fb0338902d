#include "SimulatedHttpList.h"

#include "ChunkFeeder.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

constexpr qsizetype MaxRequestSize = 16 * 1024;

QByteArray headers(const QByteArray &status, qsizetype contentLength)
{
    QByteArray text = "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\n";
    if (contentLength >= 0)
        text += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return text + "\r\n";
}

QByteArray syntheticLine(quint32 index)
{
    return syntheticServer(index).httpLine();
}

// "GET /path HTTP/1.x" -> "/path"; empty for anything else.
QByteArray getPath(const QByteArray &requestLine)
{
    const QByteArrayList words = requestLine.trimmed().split(' ');
    if (words.size() != 3 || words.at(0) != "GET" || !words.at(2).startsWith("HTTP/1.") || words.at(1).isEmpty())
        return {};
    return words.at(1);
}

} // namespace

SimulatedHttpList::SimulatedHttpList(const QList<ListedServer> &servers, QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
    , m_servers(servers)
{
    connect(m_server, &QTcpServer::newConnection, this, &SimulatedHttpList::acceptConnections);
}

SimulatedHttpList::~SimulatedHttpList()
{
    blockSignals(true);
    close();
}

bool SimulatedHttpList::listen(quint16 port)
{
    if (m_server->isListening())
        return true;
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 SimulatedHttpList::port() const
{
    return m_server->isListening() ? m_server->serverPort() : quint16(0);
}

bool SimulatedHttpList::isListening() const
{
    return m_server->isListening();
}

void SimulatedHttpList::close()
{
    m_server->close();
    const QList<QTcpSocket *> sockets = m_server->findChildren<QTcpSocket *>(Qt::FindDirectChildrenOnly);
    for (QTcpSocket *socket : sockets) {
        socket->abort();
        socket->deleteLater();
    }
}

QString SimulatedHttpList::url() const
{
    return QStringLiteral("http://127.0.0.1:%1/servers.txt").arg(port());
}

void SimulatedHttpList::setServers(const QList<ListedServer> &servers)
{
    m_servers = servers;
    m_body.clear();
    m_hugeBody.clear();
}

void SimulatedHttpList::setListLength(int length)
{
    m_listLength = length;
    m_body.clear();
    m_hugeBody.clear();
}

QByteArray SimulatedHttpList::listBody(const QList<ListedServer> &servers, int listLength)
{
    QByteArray body;
    for (const ListedServer &server : servers)
        body += server.httpLine();
    for (qsizetype i = 0; i < qsizetype(listLength) - servers.size(); ++i)
        body += syntheticLine(quint32(i));
    return body;
}

void SimulatedHttpList::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] { readRequest(socket, *buffer); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

// Waits for the end of the request headers; only the request line matters.
void SimulatedHttpList::readRequest(QTcpSocket *socket, QByteArray &buffer)
{
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0 && buffer.indexOf("\n\n") < 0) {
        if (buffer.size() > MaxRequestSize) {
            socket->write(headers("400 Bad Request", 0));
            socket->disconnectFromHost();
        }
        return;
    }
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const QByteArray path = getPath(buffer.left(buffer.indexOf('\n')));
    buffer.clear();
    if (path.isEmpty()) {
        socket->write(headers("400 Bad Request", 0));
        socket->disconnectFromHost();
        return;
    }
    respond(socket, path);
}

void SimulatedHttpList::respond(QTcpSocket *socket, const QByteArray &path)
{
    m_requestPaths.append(QString::fromLatin1(path));
    Q_EMIT requestServed(m_requestPaths.constLast());
    switch (m_misbehaviour) {
    case Misbehaviour::None:
        sendBody(socket, body());
        return;
    case Misbehaviour::NotFound: {
        const QByteArray body = QByteArrayLiteral("404 Not Found\r\n");
        socket->write(headers("404 Not Found", body.size()) + body);
        socket->disconnectFromHost();
        return;
    }
    case Misbehaviour::Huge:
        sendBody(socket, hugeBody());
        return;
    case Misbehaviour::NeverEnds:
        sendEndless(socket);
        return;
    case Misbehaviour::Stall:
        socket->write(headers("200 OK", body().size()));
        return;
    }
}

// Large bodies go out a chunk at a time as the client reads them.
void SimulatedHttpList::sendBody(QTcpSocket *socket, const QByteArray &body)
{
    socket->write(headers("200 OK", body.size()));
    if (body.size() <= ChunkFeeder::ChunkSize) {
        socket->write(body);
        socket->disconnectFromHost();
        return;
    }
    auto *feeder = new ChunkFeeder(socket, [body, offset = qsizetype(0)]() mutable {
        const QByteArray chunk = body.mid(offset, ChunkFeeder::ChunkSize);
        offset += chunk.size();
        return chunk;
    });
    connect(feeder, &ChunkFeeder::finished, socket, &QTcpSocket::disconnectFromHost);
    feeder->start();
}

void SimulatedHttpList::sendEndless(QTcpSocket *socket)
{
    socket->write(headers("200 OK", -1));
    auto *feeder = new ChunkFeeder(socket, [body = listBody(m_servers), next = quint32(0)]() mutable {
        QByteArray chunk = std::exchange(body, {});
        while (chunk.size() < ChunkFeeder::ChunkSize)
            chunk += syntheticLine(next++);
        return chunk;
    });
    feeder->start();
}

const QByteArray &SimulatedHttpList::body()
{
    if (m_body.isNull())
        m_body = listBody(m_servers, m_listLength);
    return m_body;
}

// The servers' own lines first, then distinct loopback addresses up to the size.
const QByteArray &SimulatedHttpList::hugeBody()
{
    if (m_hugeBody.isEmpty()) {
        m_hugeBody = body();
        m_hugeBody.reserve(HugeSize + 64);
        const qsizetype synthetic = std::max<qsizetype>(0, qsizetype(m_listLength) - m_servers.size());
        for (auto next = quint32(synthetic); m_hugeBody.size() < HugeSize; ++next)
            m_hugeBody += syntheticLine(next);
    }
    return m_hugeBody;
}
