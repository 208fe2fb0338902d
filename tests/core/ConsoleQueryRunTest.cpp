// The report's query run in-process, on the fake socket.
#include "core/ConsoleQuery.h"
#include "support/EventLoopWait.h"
#include "support/FakeDatagramSocket.h"
#include "support/FakePlatform.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

class ConsoleQueryRunTest : public ::testing::Test
{
protected:
    ConsoleQueryRunTest() { err.open(QIODevice::WriteOnly); }

    std::optional<int> run(const QStringList &arguments)
    {
        ConsoleQuery::Options options;
        for (const QString &argument : arguments) {
            QString error;
            const std::optional<ServerAddress> target = ServerAddress::parse(argument, &error);
            EXPECT_TRUE(target) << error.toStdString();
            if (target)
                options.targets.append(*target);
        }
        options.timeoutMs = 10;
        query = std::make_unique<ConsoleQuery>(options, socket, platform.services);
        QObject::connect(query.get(), &ConsoleQuery::finished, query.get(), [this](int code) { exitCode = code; });
        query->start(err, 0);
        waitUntil([this] { return exitCode.has_value(); });
        return exitCode;
    }

    FakePlatform platform;
    FakeDatagramSocket socket;
    QBuffer err;
    std::unique_ptr<ConsoleQuery> query;
    std::optional<int> exitCode;
};

TEST_F(ConsoleQueryRunTest, ASocketThatCannotBeOpenedIsAFailureToRunWithItsReason)
{
    socket.failBind = true;
    EXPECT_EQ(run({QStringLiteral("127.0.0.1:7778")}), ConsoleQuery::CannotRun);
    EXPECT_EQ(err.data(), "quorvelin: cannot open a UDP socket: The bound address is already in use\n");
    EXPECT_TRUE(socket.sent.isEmpty());
}

TEST_F(ConsoleQueryRunTest, EveryQueryGoesOutBeforeTheRunEnds)
{
    // Nobody answers: the run ends after the last server's queries and the time-out.
    EXPECT_EQ(run({QStringLiteral("127.0.0.1:7778"), QStringLiteral("127.0.0.2:7778")}), ConsoleQuery::SomeSilent);
    EXPECT_EQ(socket.sent.size(), 8);
}

TEST_F(ConsoleQueryRunTest, ANameThatDoesNotResolveIsToldAndTheOthersAreStillAsked)
{
    platform.resolver.names.insert(QStringLiteral("ut.example.org"), QStringLiteral("192.0.2.7"));
    EXPECT_EQ(run({QStringLiteral("nowhere.invalid:7778"), QStringLiteral("127.0.0.2:7778"),
                   QStringLiteral("ut.example.org:7778")}),
              ConsoleQuery::SomeSilent);
    EXPECT_EQ(err.data(), "quorvelin: cannot resolve 'nowhere.invalid'\n");
    QStringList asked;
    for (const auto &sent : std::as_const(socket.sent))
        asked.append(sent.address);
    asked.removeDuplicates();
    EXPECT_EQ(asked, (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("192.0.2.7")}));
}

} // namespace
