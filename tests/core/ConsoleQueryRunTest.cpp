// The command-line query's run in-process, on the fake socket.
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
    ConsoleQueryRunTest()
    {
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
    }

    std::optional<int> run(const QStringList &arguments)
    {
        QString error;
        const std::optional<ConsoleQuery::Options> options = ConsoleQuery::parseArguments(arguments, &error);
        EXPECT_TRUE(options) << error.toStdString();
        query = std::make_unique<ConsoleQuery>(*options, socket, platform.services);
        QObject::connect(query.get(), &ConsoleQuery::finished, query.get(), [this](int code) { exitCode = code; });
        query->start(out, err, 0);
        waitUntil([this] { return exitCode.has_value(); });
        return exitCode;
    }

    FakePlatform platform;
    FakeDatagramSocket socket;
    QBuffer out;
    QBuffer err;
    std::unique_ptr<ConsoleQuery> query;
    std::optional<int> exitCode;
};

TEST_F(ConsoleQueryRunTest, ASocketThatCannotBeOpenedIsAFailureToRunWithItsReason)
{
    socket.failBind = true;
    EXPECT_EQ(run({QStringLiteral("127.0.0.1:7778")}), ConsoleQuery::CannotRun);
    EXPECT_EQ(err.data(), "quorvelin: cannot open a UDP socket: The bound address is already in use\n");
    EXPECT_TRUE(out.data().isEmpty());
    EXPECT_TRUE(socket.sent.isEmpty());
}

TEST_F(ConsoleQueryRunTest, EveryQueryGoesOutBeforeTheRunEnds)
{
    // Nobody answers: after the last server's queries and the time-out, the records are printed.
    EXPECT_EQ(run({QStringLiteral("127.0.0.1:7778"), QStringLiteral("127.0.0.2:7778"), QStringLiteral("--timeout"),
                   QStringLiteral("10")}),
              ConsoleQuery::SomeSilent);
    EXPECT_EQ(socket.sent.size(), 8);
    EXPECT_EQ(out.data().count("no reply"), 2);
}

TEST_F(ConsoleQueryRunTest, ANameThatDoesNotResolveIsToldAndTheOthersAreStillAsked)
{
    platform.resolver.names.insert(QStringLiteral("ut.example.org"), QStringLiteral("192.0.2.7"));
    EXPECT_EQ(run({QStringLiteral("nowhere.invalid:7778"), QStringLiteral("127.0.0.2:7778"),
                   QStringLiteral("ut.example.org:7778"), QStringLiteral("--timeout"), QStringLiteral("10")}),
              ConsoleQuery::SomeSilent);
    EXPECT_EQ(err.data(), "quorvelin: cannot resolve 'nowhere.invalid'\n");
    QStringList asked;
    for (const auto &sent : std::as_const(socket.sent))
        asked.append(sent.address);
    asked.removeDuplicates();
    EXPECT_EQ(asked, (QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("192.0.2.7")}));
    EXPECT_EQ(out.data().count("no reply"), 3);
}

} // namespace
