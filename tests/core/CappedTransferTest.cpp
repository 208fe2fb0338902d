#include "core/CappedTransfer.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using Failure = CappedTransfer::Failure;
using Limits = CappedTransfer::Limits;

// A peer on 127.0.0.1 that plays one script to every connection: it waits
// for an HTTP request when told to, sends its segments one per pause, then
// closes, stays silent, sends a byte per pause for ever, or echoes.
class ScriptedPeer final : public QObject
{
public:
    enum class Then { Close, Stay, Trickle, Echo };
    struct Script
    {
        QList<QByteArray> segments;
        Then then = Then::Close;
        bool awaitRequest = false;
        int pauseMs = 5;
    };

    explicit ScriptedPeer(Script script)
        : m_script(std::move(script))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &ScriptedPeer::accept);
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    void close() { m_server.close(); }
    quint16 port() const { return m_server.serverPort(); }
    void setScript(const Script &script) { m_script = script; }
    int connectionCount() const { return m_connectionCount; }
    const QByteArray &received() const { return m_received; }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connectionCount;
            m_received.clear();
            socket->setParent(this);
            auto *pace = new QTimer(socket);
            const Script script = m_script;
            auto next = std::make_shared<qsizetype>(0);
            connect(pace, &QTimer::timeout, socket, [socket, pace, script, next] {
                if (*next < script.segments.size()) {
                    socket->write(script.segments.at((*next)++));
                } else if (script.then == Then::Trickle) {
                    socket->write(".");
                } else {
                    pace->stop();
                    if (script.then == Then::Close)
                        socket->disconnectFromHost();
                }
            });
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pace, script] {
                const QByteArray bytes = socket->readAll();
                m_received += bytes;
                if (script.then == Then::Echo)
                    socket->write(bytes);
                if (script.awaitRequest && !pace->isActive() && m_received.contains("\r\n\r\n"))
                    pace->start(script.pauseMs);
            });
            if (!script.awaitRequest)
                pace->start(script.pauseMs);
        }
    }

    QTcpServer m_server;
    Script m_script;
    int m_connectionCount = 0;
    QByteArray m_received;
};

QString endName(std::optional<Failure> failure)
{
    if (!failure)
        return QStringLiteral("done");
    return QStringLiteral("failed ") + QLatin1String(QMetaEnum::fromType<Failure>().valueToKey(int(*failure)));
}

QByteArray httpReply(const QByteArray &status, const QByteArray &body, const QByteArray &extraHeaders = {})
{
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\nConnection: close\r\n" + extraHeaders + "\r\n"
           + body;
}

// A transfer, a peer for it and what the transfer said. Handlers that play
// the reader run inside reading(), so an end signal that comes while one
// runs is caught.
class CappedTransferTest : public ::testing::Test
{
protected:
    CappedTransferTest() { watch(); }

    void watch()
    {
        QObject::connect(transfer.get(), &CappedTransfer::done, &observer, [this] { ended(std::nullopt); });
        QObject::connect(transfer.get(), &CappedTransfer::failed, &observer,
                         [this](Failure failure, const QString &text) {
                             errorText = text;
                             ended(failure);
                         });
        QObject::connect(transfer.get(), &CappedTransfer::bytesArrived, &observer, [this](qsizetype count) {
            arrivedCount += count;
            reading(onBytes);
        });
        QObject::connect(transfer.get(), &CappedTransfer::peerClosed, &observer, [this] { reading(onClose); });
        QObject::connect(transfer.get(), &CappedTransfer::connected, &observer, [this] { reading(onConnected); });
    }

    void ended(std::optional<Failure> failure)
    {
        ends.append(endName(failure));
        bufferAtEnd = transfer->buffer();
        if (transfer->reply())
            contentType = transfer->reply()->rawHeader("Content-Type");
        endedInsideHandler = endedInsideHandler || insideHandler;
        if (onEnd)
            reading(onEnd);
    }

    void reading(const std::function<void()> &handler)
    {
        if (!handler)
            return;
        insideHandler = true;
        handler();
        insideHandler = false;
    }

    void startPeer(const ScriptedPeer::Script &script)
    {
        peer = std::make_unique<ScriptedPeer>(script);
        ASSERT_TRUE(peer->listen());
    }

    // Connects to the peer; nothing may have ended by the time this returns.
    void connectToPeer(const Limits &limits)
    {
        forget();
        transfer->setLimits(limits);
        transfer->connectToHost(QStringLiteral("127.0.0.1"), peer->port());
        EXPECT_TRUE(ends.isEmpty());
    }

    void getFromPeer(const Limits &limits, const QString &path = QStringLiteral("/page"))
    {
        forget();
        transfer->setLimits(limits);
        transfer->get(network,
                      QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(peer->port()).arg(path))));
        EXPECT_TRUE(ends.isEmpty());
    }

    void forget()
    {
        ends.clear();
        bufferAtEnd.clear();
        contentType.clear();
        errorText.clear();
        arrivedCount = 0;
    }

    bool waitForEnd()
    {
        return waitUntil([this] { return !ends.isEmpty(); });
    }

    // Waits for the end, then a little longer to see that no second one follows.
    QStringList endsOnce()
    {
        EXPECT_TRUE(waitForEnd());
        runEventLoopFor(50);
        EXPECT_FALSE(endedInsideHandler);
        return ends;
    }

    QObject observer;
    QNetworkAccessManager network;
    std::unique_ptr<CappedTransfer> transfer = std::make_unique<CappedTransfer>();
    std::unique_ptr<ScriptedPeer> peer;
    std::function<void()> onConnected;
    std::function<void()> onBytes;
    std::function<void()> onClose;
    std::function<void()> onEnd;
    QStringList ends;
    QByteArray bufferAtEnd;
    QByteArray contentType;
    QString errorText;
    qsizetype arrivedCount = 0;
    bool insideHandler = false;
    bool endedInsideHandler = false;
};

TEST_F(CappedTransferTest, TheChunkThatBreaksTheCapEndsTheTransfer)
{
    const struct
    {
        QList<QByteArray> segments;
        bool clearEachTime;
        const char *end;
    } cases[] = {
        {{"12345", "67890"}, false, "done"},
        {{"12345", "678901"}, false, "failed TooLarge"},
        {{"12345678901"}, false, "failed TooLarge"},
        // What the reader has cleared counts no more.
        {{"12345678", "12345678"}, true, "done"},
    };
    onClose = [this] { transfer->finish(); };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.end);
        onBytes = [this, &c] {
            if (c.clearEachTime)
                transfer->clearBuffer();
        };
        startPeer({c.segments, ScriptedPeer::Then::Close});
        connectToPeer({10, 0, 0});
        EXPECT_EQ(endsOnce(), QStringList{QString::fromLatin1(c.end)});
    }
    EXPECT_LE(bufferAtEnd.size(), 10);
    onBytes = nullptr;
    startPeer({{"1234567890"}, ScriptedPeer::Then::Close});
    connectToPeer({10, 0, 0});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
    EXPECT_EQ(bufferAtEnd, "1234567890");
}

TEST_F(CappedTransferTest, SilenceLongerThanTheIdleLimitEndsTheTransfer)
{
    startPeer({{}, ScriptedPeer::Then::Stay});
    connectToPeer({0, 100, 0});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed Idle")});

    peer->setScript({{"hello"}, ScriptedPeer::Then::Stay});
    connectToPeer({0, 100, 0});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed Idle")});
    EXPECT_EQ(bufferAtEnd, "hello");

    // A reader may lift the idle limit; the total one still holds.
    onConnected = [this] { transfer->setIdleTimeout(0); };
    connectToPeer({0, 100, 300});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed TotalTime")});
}

TEST_F(CappedTransferTest, TheTotalLimitHoldsWhileBytesKeepComing)
{
    startPeer({{}, ScriptedPeer::Then::Trickle, false, 10});
    connectToPeer({0, 300, 900});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed TotalTime")});
    EXPECT_GT(bufferAtEnd.size(), 1);
}

TEST_F(CappedTransferTest, EndsKnownAtTheStartStillComeFromTheEventLoop)
{
    startPeer({});
    const quint16 refusedPort = peer->port();
    peer->close();
    const struct
    {
        const char *host;
        int port;
        const char *end;
    } addresses[] = {
        {"", 80, "failed BadAddress"},
        {"  ", 80, "failed BadAddress"},
        {"127.0.0.1", 0, "failed BadAddress"},
        {"127.0.0.1", 65536, "failed BadAddress"},
        {"127.0.0.1", refusedPort, "failed NetworkError"},
    };
    for (const auto &a : addresses) {
        SCOPED_TRACE(a.host + std::to_string(a.port));
        forget();
        transfer->connectToHost(QString::fromLatin1(a.host), a.port);
        EXPECT_TRUE(ends.isEmpty());
        EXPECT_TRUE(transfer->isRunning());
        EXPECT_EQ(endsOnce(), QStringList{QString::fromLatin1(a.end)});
        EXPECT_FALSE(transfer->isRunning());
    }
    EXPECT_EQ(errorText, QStringLiteral("Connection refused"));

    // An HTTP address without a host is asked of no one.
    for (const char *url : {"http://", "http://bad host/", "http:///page"}) {
        SCOPED_TRACE(url);
        forget();
        transfer->get(network, QNetworkRequest(QUrl(QString::fromLatin1(url))));
        EXPECT_TRUE(ends.isEmpty());
        EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed BadAddress")});
    }
}

TEST_F(CappedTransferTest, TheReadersOwnEndComesOnceAfterItsHandlerReturns)
{
    startPeer({{"abc"}, ScriptedPeer::Then::Stay});
    onBytes = [this] {
        transfer->finish();
        transfer->finish();
        transfer->fail(Failure::Idle);
        EXPECT_EQ(transfer->write("late"), -1);
    };
    connectToPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
    EXPECT_EQ(bufferAtEnd, "abc");

    onBytes = nullptr;
    onConnected = [this] { transfer->fail(Failure::Idle); };
    connectToPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed Idle")});

    // A handler of the end may start the next transfer on the same object.
    onConnected = nullptr;
    peer->setScript({{"first"}, ScriptedPeer::Then::Close});
    onClose = [this] { transfer->finish(); };
    onEnd = [this] {
        if (ends.size() == 1)
            transfer->connectToHost(QStringLiteral("127.0.0.1"), peer->port());
    };
    const int connectionsBefore = peer->connectionCount();
    connectToPeer({});
    ASSERT_TRUE(waitUntil([this] { return ends.size() == 2; }));
    EXPECT_EQ(endsOnce(), (QStringList{QStringLiteral("done"), QStringLiteral("done")}));
    EXPECT_EQ(bufferAtEnd, "first");
    EXPECT_EQ(peer->connectionCount(), connectionsBefore + 2);
}

TEST_F(CappedTransferTest, CancelAndDeletionSayNothing)
{
    startPeer({{"abc"}, ScriptedPeer::Then::Stay});
    connectToPeer({0, 150, 0});
    ASSERT_TRUE(waitUntil([this] { return arrivedCount == 3; }));
    transfer->cancel();
    EXPECT_FALSE(transfer->isRunning());
    EXPECT_TRUE(transfer->buffer().isEmpty());

    onBytes = [this] { transfer->cancel(); };
    connectToPeer({0, 150, 0});
    ASSERT_TRUE(waitUntil([this] { return arrivedCount == 3; }));

    // Cancelled after the end was decided, before its signal.
    onBytes = [this] {
        transfer->finish();
        transfer->cancel();
    };
    connectToPeer({0, 150, 0});
    ASSERT_TRUE(waitUntil([this] { return arrivedCount == 3; }));
    runEventLoopFor(300);
    EXPECT_TRUE(ends.isEmpty());

    // Deleted while connected, and with its end on the way.
    onBytes = nullptr;
    connectToPeer({0, 150, 0});
    ASSERT_TRUE(waitUntil([this] { return arrivedCount == 3; }));
    transfer.reset();
    transfer = std::make_unique<CappedTransfer>();
    watch();
    transfer->connectToHost(QString(), 80);
    transfer.reset();
    runEventLoopFor(300);
    EXPECT_TRUE(ends.isEmpty());
}

TEST_F(CappedTransferTest, BytesSplitAnywhereGatherWhole)
{
    const QByteArray payload = "\\ip\\127.0.0.1:7778\\final\\";
    onBytes = [this] {
        EXPECT_EQ(arrivedCount, transfer->buffer().size());
        if (transfer->buffer().endsWith("\\final\\"))
            transfer->finish();
    };
    startPeer({});
    for (qsizetype cut = 1; cut < payload.size(); ++cut) {
        SCOPED_TRACE(cut);
        peer->setScript({{payload.left(cut), payload.mid(cut)}, ScriptedPeer::Then::Stay});
        connectToPeer({});
        EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
        EXPECT_EQ(bufferAtEnd, payload);
    }
    ScriptedPeer::Script everyByte{{}, ScriptedPeer::Then::Stay, false, 2};
    for (const char byte : payload)
        everyByte.segments.append(QByteArray(1, byte));
    peer->setScript(everyByte);
    connectToPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
    EXPECT_EQ(bufferAtEnd, payload);
}

TEST_F(CappedTransferTest, TheReaderJudgesAPeerThatCloses)
{
    startPeer({{"part"}, ScriptedPeer::Then::Close});
    connectToPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed PeerClosed")});
    EXPECT_EQ(bufferAtEnd, "part");

    onClose = [this] { transfer->finish(); };
    connectToPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
    EXPECT_EQ(bufferAtEnd, "part");
}

TEST_F(CappedTransferTest, WritesReachTheConnectedPeerOnly)
{
    startPeer({{}, ScriptedPeer::Then::Echo});
    onConnected = [this] { EXPECT_EQ(transfer->write("ping"), 4); };
    onBytes = [this] {
        if (transfer->buffer() == "ping")
            transfer->finish();
    };
    connectToPeer({});
    EXPECT_EQ(transfer->write("early"), -1);
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("done")});
    EXPECT_EQ(peer->received(), "ping");
}

TEST_F(CappedTransferTest, ReadsHttpRepliesWithinTheirLimits)
{
    const struct
    {
        const char *end;
        QByteArray reply;
        ScriptedPeer::Then then;
        Limits limits;
        const char *buffer;
    } cases[] = {
        {"done", httpReply("200 OK", "hello"), ScriptedPeer::Then::Close, {}, "hello"},
        {"failed TooLarge", httpReply("200 OK", QByteArray(64, 'x')), ScriptedPeer::Then::Close, {32, 0, 0}, nullptr},
        {"failed NetworkError", httpReply("404 Not Found", "gone"), ScriptedPeer::Then::Close, {}, nullptr},
        {"failed Idle",
         httpReply("200 OK", "0123456789", "Content-Length: 100\r\n"),
         ScriptedPeer::Then::Stay,
         {0, 200, 0},
         "0123456789"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.end);
        startPeer({{c.reply}, c.then, true});
        getFromPeer(c.limits);
        EXPECT_EQ(endsOnce(), QStringList{QString::fromLatin1(c.end)});
        EXPECT_TRUE(peer->received().startsWith("GET /page HTTP/1.1\r\n")) << peer->received().constData();
        if (c.buffer) {
            EXPECT_EQ(bufferAtEnd, c.buffer);
        }
        // The reply's headers are there for the handler of the end.
        EXPECT_EQ(contentType, "text/plain");
        EXPECT_EQ(transfer->write("x"), -1);
    }
    // A reply stopped for its silence says so in its own words, for readers that show them.
    EXPECT_EQ(errorText, QStringLiteral("Operation canceled"));

    startPeer({{httpReply("404 Not Found", "gone")}, ScriptedPeer::Then::Close, true});
    getFromPeer({});
    EXPECT_EQ(endsOnce(), QStringList{QStringLiteral("failed NetworkError")});
    EXPECT_TRUE(errorText.contains(QStringLiteral("Not Found"))) << errorText.toStdString();
}

} // namespace
