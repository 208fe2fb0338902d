#include "SimulatedHttpList.h"
#include "SimulatedMaster.h"
#include "discovery/ConsoleMaster.h"
#include "discovery/MasterExchange.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <QBuffer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>

namespace {

using Misbehaviour = SimulatedMasterConfig::Misbehaviour;

// A master simulator on 127.0.0.1 and an exchange with it, and what it ended in.
class MasterExchangeTest : public ::testing::Test
{
protected:
    MasterExchangeTest()
    {
        QObject::connect(&exchange, &MasterExchange::serverListReceived, &exchange,
                         [this](const QList<MasterList::ListedServer> &servers) { listed = servers; });
        QObject::connect(&exchange, &MasterExchange::gameTypesReceived, &exchange,
                         [this](const QStringList &types) { gameTypes = types; });
        QObject::connect(&exchange, &MasterExchange::failed, &exchange,
                         [this](const QString &message) { failure = message; });
    }

    void startMaster(SimulatedMasterConfig config)
    {
        if (config.servers.isEmpty())
            config.servers = generatedServers(3, 7778, 1);
        master = std::make_unique<SimulatedMaster>(config);
        ASSERT_TRUE(master->listen());
    }

    QString entry() const { return QStringLiteral("127.0.0.1:%1").arg(master->port()); }

    void fetch(const QString &from, const QString &gameType = {}, int location = 0)
    {
        forget();
        exchange.fetchServerList(from, gameType, location);
    }

    void forget()
    {
        listed.reset();
        gameTypes.reset();
        failure.reset();
    }

    bool ended(int milliseconds = 10000)
    {
        return waitUntil([this] { return listed || gameTypes || failure; }, milliseconds);
    }

    // A master of this configuration asked for its whole list; tells whether the exchange ended.
    bool fetchedFrom(const SimulatedMasterConfig &config)
    {
        startMaster(config);
        fetch(entry());
        return ended();
    }

    MasterExchange exchange;
    std::unique_ptr<SimulatedMaster> master;
    std::optional<QList<MasterList::ListedServer>> listed;
    std::optional<QStringList> gameTypes;
    std::optional<QString> failure;
};

TEST_F(MasterExchangeTest, AnswersTheChallengeOfValidatingMastersInBothGreetingStyles)
{
    for (const bool withFinal : {false, true}) {
        SimulatedMasterConfig config;
        config.greetingWithFinal = withFinal;
        startMaster(config);
        fetch(entry(), QStringLiteral("CTFGame"), 7);
        ASSERT_TRUE(ended());
        ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
        EXPECT_EQ(listed->size(), 3);
        EXPECT_EQ(listed->first().address, QStringLiteral("127.0.0.1"));
        EXPECT_EQ(listed->first().port, QStringLiteral("7778"));
        EXPECT_EQ(master->refusedCount(), 0);
        EXPECT_EQ(master->lastListRequest(),
                  QByteArray("\\list\\\\gamename\\ut\\gametype\\CTFGame\\location\\7\\final\\"));
    }
}

TEST_F(MasterExchangeTest, SendsThePlainRequestToMastersThatDoNotChallenge)
{
    SimulatedMasterConfig config;
    config.validating = false;
    config.challenge = "\\";
    ASSERT_TRUE(fetchedFrom(config));
    ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
    EXPECT_EQ(listed->size(), 3);
}

TEST_F(MasterExchangeTest, ReportsRefusalsAndCutTransfersInsteadOfAnEmptyList)
{
    const struct
    {
        Misbehaviour misbehaviour;
        SimulatedMasterConfig::Refusal refusal;
        bool wrongKey;
        const char *message;
    } cases[] = {
        {Misbehaviour::CloseBeforeFinal, SimulatedMasterConfig::Refusal::Silent, false,
         "The master server closed the connection before the list was complete."},
        {Misbehaviour::None, SimulatedMasterConfig::Refusal::Echo, true,
         "The master server refused the request: 333networks failed to validate your request. Use the correct "
         "authorization cipher!"},
        {Misbehaviour::None, SimulatedMasterConfig::Refusal::Silent, true,
         "The master server closed the connection without answering the request."},
    };
    for (const auto &c : cases) {
        SimulatedMasterConfig config;
        config.misbehaviour = c.misbehaviour;
        config.refusal = c.refusal;
        // A challenge the answer cannot match: the master sees a wrong value.
        if (c.wrongKey)
            config.challenge = "ABCDEFGH";
        config.servers = generatedServers(40, 7778, 1);
        ASSERT_TRUE(fetchedFrom(config));
        EXPECT_FALSE(listed);
        EXPECT_EQ(failure, QString::fromLatin1(c.message));
    }
}

TEST_F(MasterExchangeTest, ListEndsAtFinalWhateverTheConnectionDoes)
{
    for (const Misbehaviour misbehaviour : {Misbehaviour::NeverClose, Misbehaviour::SplitFinal}) {
        SimulatedMasterConfig config;
        config.misbehaviour = misbehaviour;
        ASSERT_TRUE(fetchedFrom(config));
        ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
        EXPECT_EQ(listed->size(), 3);
    }
    // An empty list that ends properly is a list of no servers.
    SimulatedMasterConfig empty;
    empty.servers = {};
    master = std::make_unique<SimulatedMaster>(empty);
    ASSERT_TRUE(master->listen());
    fetch(entry());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed->isEmpty());
}

// "\basic\\secure\" + challenge, and "\final\" when the master ends its greeting.
qsizetype greetingSize(const SimulatedMasterConfig &config)
{
    return 15 + config.challenge.size() + (config.greetingWithFinal ? 7 : 0);
}

TEST_F(MasterExchangeTest, GreetingsAndListsCutIntoSegmentsAnywhereGiveTheWholeList)
{
    SimulatedMasterConfig config;
    config.challenge = "QWERTY";
    config.greetingWithFinal = true;
    for (qsizetype cut = 1; cut < greetingSize(config); ++cut) {
        config.greetingCuts = {int(cut)};
        ASSERT_TRUE(fetchedFrom(config));
        ASSERT_TRUE(listed) << "cut at " << cut << ": " << failure.value_or(QString()).toStdString();
        EXPECT_EQ(listed->size(), 3) << "cut at " << cut;
        EXPECT_EQ(master->refusedCount(), 0) << "cut at " << cut;
    }
    // A greeting that never ends with "\\final\\" is answered once its challenge is whole.
    MasterExchange::Limits limits;
    limits.greetingSettleMs = 50;
    exchange.setLimits(limits);
    config.greetingWithFinal = false;
    for (qsizetype cut = 1; cut < greetingSize(config); ++cut) {
        config.greetingCuts = {int(cut)};
        ASSERT_TRUE(fetchedFrom(config));
        ASSERT_TRUE(listed) << "cut at " << cut << ": " << failure.value_or(QString()).toStdString();
        EXPECT_EQ(listed->size(), 3) << "cut at " << cut;
    }
    exchange.setLimits({});
    config.greetingWithFinal = true;

    // Every byte a segment of its own, greeting and list.
    config.segmentPauseMs = 2;
    config.greetingCuts.clear();
    for (int cut = 1; cut < greetingSize(config); ++cut)
        config.greetingCuts.append(cut);
    const QByteArray reply = "\\ip\\127.0.0.1:7778\\ip\\127.0.0.1:7779\\ip\\127.0.0.1:7780\\final\\";
    for (int cut = 1; cut < reply.size(); ++cut)
        config.replyCuts.append(cut);
    ASSERT_TRUE(fetchedFrom(config));
    ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
    EXPECT_EQ(listed->size(), 3);

    // The list cut once at every position.
    config.segmentPauseMs = 20;
    config.greetingCuts.clear();
    for (int cut = 1; cut < reply.size(); ++cut) {
        config.replyCuts = {cut};
        ASSERT_TRUE(fetchedFrom(config));
        ASSERT_TRUE(listed) << "cut at " << cut << ": " << failure.value_or(QString()).toStdString();
        EXPECT_EQ(listed->size(), 3) << "cut at " << cut;
    }
}

TEST_F(MasterExchangeTest, AGreetingsFinalInASegmentOfItsOwnIsNoAnswerToTheRequest)
{
    // The master refuses the answer to its challenge and closes without a list.
    SimulatedMasterConfig config;
    config.challenge = "ABCDEFGH";
    config.greetingWithFinal = true;
    for (qsizetype cut = 1; cut < greetingSize(config); ++cut) {
        config.greetingCuts = {int(cut)};
        ASSERT_TRUE(fetchedFrom(config));
        EXPECT_FALSE(listed) << "cut at " << cut << ": " << (listed ? listed->size() : 0) << " servers";
        EXPECT_EQ(failure, QStringLiteral("The master server closed the connection without answering the request."))
            << "cut at " << cut;
    }
    // An echo says why.
    config.refusal = SimulatedMasterConfig::Refusal::Echo;
    config.greetingCuts = {int(greetingSize(config)) - 7};
    ASSERT_TRUE(fetchedFrom(config));
    EXPECT_FALSE(listed);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(QStringLiteral("The master server refused the request: 333networks")))
        << failure->toStdString();

    // A list of no servers that ends with its own "\final\" is still a list.
    SimulatedMasterConfig empty;
    empty.greetingWithFinal = true;
    empty.servers.clear();
    empty.challenge = "QWERTY";
    empty.greetingCuts = {int(greetingSize(empty)) - 7};
    master = std::make_unique<SimulatedMaster>(empty);
    ASSERT_TRUE(master->listen());
    fetch(entry());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
    EXPECT_TRUE(listed->isEmpty());
}

TEST_F(MasterExchangeTest, ConsoleMasterSaysWhyAfterACutGreetingAndListsACutList)
{
    SimulatedMasterConfig config;
    config.challenge = "ABCDEFGH";
    config.greetingWithFinal = true;
    config.greetingCuts = {int(greetingSize(config)) - 7};
    startMaster(config);
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    std::optional<int> exitCode;
    {
        ConsoleMaster console({entry(), false}, out, err);
        QObject::connect(&console, &ConsoleMaster::finished, &console, [&exitCode](int code) { exitCode = code; });
        console.start();
        ASSERT_TRUE(waitUntil([&exitCode] { return exitCode.has_value(); }, 10000));
    }
    EXPECT_EQ(exitCode, int(ConsoleMaster::NoList));
    EXPECT_TRUE(out.data().isEmpty());
    EXPECT_FALSE(err.data().contains("0 servers")) << err.data().constData();
    EXPECT_TRUE(err.data().contains("without answering the request")) << err.data().constData();

    config.challenge = "QWERTY";
    config.replyCuts = {9, 30};
    startMaster(config);
    out.buffer().clear();
    err.buffer().clear();
    exitCode.reset();
    {
        ConsoleMaster console({entry(), false}, out, err);
        QObject::connect(&console, &ConsoleMaster::finished, &console, [&exitCode](int code) { exitCode = code; });
        console.start();
        ASSERT_TRUE(waitUntil([&exitCode] { return exitCode.has_value(); }, 10000));
    }
    EXPECT_EQ(exitCode, int(ConsoleMaster::ListRead)) << err.data().constData();
    EXPECT_EQ(out.data(), QByteArray("127.0.0.1:7778\n127.0.0.1:7779\n127.0.0.1:7780\n"));
}

TEST_F(MasterExchangeTest, StopsEndlessSilentAndGarbledMastersWithAMessage)
{
    MasterExchange::Limits limits;
    limits.maxBytes = 256 * 1024;
    limits.greetingTimeoutMs = 300;
    limits.idleTimeoutMs = 300;
    exchange.setLimits(limits);
    const struct
    {
        Misbehaviour misbehaviour;
        const char *message;
    } cases[] = {
        {Misbehaviour::Endless, "The master server sent more than 256 KB; the transfer was stopped."},
        {Misbehaviour::NoGreeting, "The master server sent no greeting."},
    };
    for (const auto &c : cases) {
        SimulatedMasterConfig config;
        config.misbehaviour = c.misbehaviour;
        startMaster(config);
        fetch(entry());
        ASSERT_TRUE(ended(10000));
        EXPECT_EQ(failure, QString::fromLatin1(c.message));
    }
    SimulatedMasterConfig garbage;
    garbage.misbehaviour = Misbehaviour::Garbage;
    startMaster(garbage);
    fetch(entry());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(listed);
}

TEST_F(MasterExchangeTest, RefreshesGameTypesAndReportsUnreachableMasters)
{
    startMaster({});
    exchange.refreshGameTypes(entry());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(gameTypes) << failure.value_or(QString()).toStdString();
    EXPECT_EQ(*gameTypes, (QStringList{QStringLiteral("(any gametype)"), QStringLiteral("DeathMatchPlus"),
                                       QStringLiteral("CTFGame"), QStringLiteral("TeamGamePlus")}));
    EXPECT_EQ(master->lastListRequest(), QByteArray("\\list\\info\\gamename\\ut\\final\\"));

    const quint16 closedPort = master->port();
    master->close();
    fetch(QStringLiteral("127.0.0.1:%1").arg(closedPort));
    ASSERT_TRUE(ended());
    EXPECT_EQ(failure, QStringLiteral("Connection refused"));
    fetch(QStringLiteral("127.0.0.1"));
    ASSERT_TRUE(ended());
    EXPECT_EQ(failure, QStringLiteral("'127.0.0.1' is not a master server address (host:port)."));
}

TEST_F(MasterExchangeTest, CancelEndsTheTransferWithoutAWord)
{
    SimulatedMasterConfig config;
    config.misbehaviour = Misbehaviour::NoGreeting;
    startMaster(config);
    fetch(entry());
    ASSERT_TRUE(waitUntil([this] { return master->openConnectionCount() == 1; }));
    EXPECT_TRUE(exchange.cancel());
    EXPECT_FALSE(exchange.isRunning());
    runEventLoopFor(100);
    EXPECT_FALSE(listed || failure);
    EXPECT_FALSE(exchange.cancel());
}

TEST_F(MasterExchangeTest, ReadsWebListsAsGamePortsPlusOne)
{
    SimulatedHttpList web(generatedServers(2, 7778, 1));
    ASSERT_TRUE(web.listen());
    fetch(web.url());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(listed) << failure.value_or(QString()).toStdString();
    EXPECT_EQ(*listed, (QList<MasterList::ListedServer>{{QStringLiteral("127.0.0.1"), QStringLiteral("7778")},
                                                        {QStringLiteral("127.0.0.1"), QStringLiteral("7779")}}));

    web.setMisbehaviour(SimulatedHttpList::Misbehaviour::NotFound);
    fetch(web.url());
    ASSERT_TRUE(ended());
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->contains(QStringLiteral("Not Found"))) << failure->toStdString();

    MasterExchange::Limits limits;
    limits.maxBytes = 256 * 1024;
    exchange.setLimits(limits);
    for (const auto misbehaviour :
         {SimulatedHttpList::Misbehaviour::Huge, SimulatedHttpList::Misbehaviour::NeverEnds}) {
        web.setMisbehaviour(misbehaviour);
        fetch(web.url());
        ASSERT_TRUE(ended(30000));
        EXPECT_EQ(failure, QStringLiteral("The server list is larger than 256 KB; the transfer was stopped."));
    }
}

} // namespace
