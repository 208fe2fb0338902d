// The TCP side every simulator shares, seen from a client socket.

#include "ChunkFeeder.h"
#include "SimulatedHttp.h"
#include "SimulatedTcpService.h"

#include "support/EventLoopWait.h"

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>

namespace {

const QByteArray kRequest = QByteArrayLiteral("GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
const QByteArray kTooLong = QByteArrayLiteral("HTTP/1.0 400 Bad Request\r\n\r\n");

// Answers a request with its reply cut at the offsets, then closes.
class CuttingService final : public SimulatedTcpService
{
public:
    QByteArray reply = SimulatedHttp::head("200 OK", "text/plain") + "every byte on its own\r\n";
    QList<qsizetype> cuts;
    QByteArray request;
    QPointer<QTcpSocket> served; // the last connection's socket

private:
    void serve(QTcpSocket *socket) override
    {
        served = socket;
        const auto answer = [this, socket](const QByteArray &bytes) {
            request = bytes;
            ChunkFeeder::sendCut(socket, reply, cuts, 1, [socket] { socket->disconnectFromHost(); });
        };
        SimulatedHttp::readRequest(socket, this, answer, kTooLong);
    }
};

class Client
{
public:
    explicit Client(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { m_received += m_socket.readAll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    QTcpSocket &socket() { return m_socket; }
    const QByteArray &received() const { return m_received; }
    bool waitForClose()
    {
        return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; });
    }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

class SimulatedTcpServiceTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(service.listen()); }

    // What a client that sent request received until the service closed.
    QByteArray exchange(const QByteArray &request)
    {
        Client client(service.port());
        client.socket().write(request);
        if (!client.waitForClose())
            return "still open: " + client.received();
        return client.received();
    }

    CuttingService service;
};

} // namespace

TEST_F(SimulatedTcpServiceTest, AReplyCutAtEveryByteArrivesWhole)
{
    for (qsizetype at = 1; at < service.reply.size(); ++at)
        service.cuts.append(at);
    EXPECT_EQ(exchange(kRequest), service.reply);
    EXPECT_EQ(service.request, kRequest);

    // Cuts in any order, twice, or outside the reply are all one.
    service.cuts = {30, 5, 5, 0, -3, service.reply.size(), 999};
    EXPECT_EQ(exchange(kRequest), service.reply);
    service.cuts.clear();
    EXPECT_EQ(exchange(kRequest), service.reply);
}

TEST_F(SimulatedTcpServiceTest, ARequestIsWholeAtItsEmptyLineAndCutOffWhenTooLong)
{
    // A bare LF ends the headers too, and what came after the empty line is handed over with them.
    EXPECT_EQ(exchange("GET / HTTP/1.0\n\nrest"), service.reply);
    EXPECT_EQ(service.request, "GET / HTTP/1.0\n\nrest");
    EXPECT_EQ(SimulatedHttp::headersEnd("GET / HTTP/1.0\n\nrest"), 14);

    service.request.clear();
    EXPECT_EQ(exchange(QByteArray(SimulatedHttp::kMaxRequestSize + 1, 'x')), kTooLong);
    EXPECT_TRUE(service.request.isEmpty());
}

TEST_F(SimulatedTcpServiceTest, AConnectionTheClientClosesIsDeleted)
{
    Client client(service.port());
    client.socket().write("GET / HTTP/1.0\r\n");
    ASSERT_TRUE(waitUntil([this] { return !service.served.isNull(); }));
    client.socket().disconnectFromHost();
    EXPECT_TRUE(waitUntil([this] { return service.served.isNull(); }));
}

TEST_F(SimulatedTcpServiceTest, CloseDropsOpenConnectionsAndGivesThePortUp)
{
    Client client(service.port());
    ASSERT_TRUE(waitUntil([this] { return !service.served.isNull(); }));
    const quint16 port = service.port();
    service.close();
    EXPECT_FALSE(service.isListening());
    EXPECT_EQ(service.port(), 0);
    EXPECT_TRUE(client.waitForClose());
    EXPECT_TRUE(service.served.isNull() || service.served->state() == QAbstractSocket::UnconnectedState);

    Client refused(port);
    EXPECT_TRUE(waitUntil([&refused] { return refused.socket().error() == QAbstractSocket::ConnectionRefusedError; }));
}
