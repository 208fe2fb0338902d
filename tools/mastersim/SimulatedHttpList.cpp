#include "SimulatedHttpList.h"

#include "ChunkFeeder.h"
#include "SimulatedHttp.h"

#include <QTcpSocket>

#include <algorithm>
#include <utility>

namespace {

QByteArray head(const QByteArray &status, qsizetype contentLength)
{
    return SimulatedHttp::head(status, "text/plain", contentLength);
}

const QByteArray kBadRequest = head("400 Bad Request", 0);

QByteArray syntheticLine(quint32 index)
{
    return syntheticServer(index).httpLine();
}

} // namespace

SimulatedHttpList::SimulatedHttpList(const QList<ListedServer> &servers, QObject *parent)
    : SimulatedTcpService(parent)
    , m_servers(servers)
{
}

QString SimulatedHttpList::url() const
{
    return QStringLiteral("http://%1/servers.txt").arg(address());
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

void SimulatedHttpList::serve(QTcpSocket *socket)
{
    SimulatedHttp::readRequest(
        socket, this, [this, socket](const QByteArray &request) { respond(socket, request); }, kBadRequest);
}

// Only the request line matters.
void SimulatedHttpList::respond(QTcpSocket *socket, const QByteArray &request)
{
    const QByteArray path = SimulatedHttp::getPath(request.left(request.indexOf('\n')));
    if (path.isEmpty()) {
        SimulatedHttp::answerAndClose(socket, kBadRequest);
        return;
    }
    m_requestPaths.append(QString::fromLatin1(path));
    Q_EMIT requestServed(m_requestPaths.constLast());
    switch (m_misbehaviour) {
    case Misbehaviour::None: ChunkFeeder::sendAndClose(socket, {head("200 OK", body().size()), body()}); return;
    case Misbehaviour::NotFound: {
        const QByteArray notFound = QByteArrayLiteral("404 Not Found\r\n");
        SimulatedHttp::answerAndClose(socket, head("404 Not Found", notFound.size()) + notFound);
        return;
    }
    case Misbehaviour::Huge: ChunkFeeder::sendAndClose(socket, {head("200 OK", hugeBody().size()), hugeBody()}); return;
    case Misbehaviour::NeverEnds: sendEndless(socket); return;
    case Misbehaviour::Stall: socket->write(head("200 OK", body().size())); return;
    }
}

void SimulatedHttpList::sendEndless(QTcpSocket *socket)
{
    socket->write(head("200 OK", -1));
    auto *feeder = new ChunkFeeder(socket, [body = listBody(m_servers), next = quint32(0)]() mutable {
        QByteArray chunk = std::exchange(body, {});
        while (chunk.size() < ChunkFeeder::kChunkSize)
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
        m_hugeBody.reserve(kHugeSize + 64);
        const qsizetype synthetic = std::max<qsizetype>(0, qsizetype(m_listLength) - m_servers.size());
        for (auto next = quint32(synthetic); m_hugeBody.size() < kHugeSize; ++next)
            m_hugeBody += syntheticLine(next);
    }
    return m_hugeBody;
}
