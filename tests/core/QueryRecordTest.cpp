// The replies of the command-line query, from datagrams to records.
#include "core/QueryRecordWriter.h"
#include "core/QueryReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QJsonObject jsonOf(const QueryRecord &record)
{
    QueryRecordWriter writer;
    std::string written;
    writer.appendJson(written, record);
    const QByteArray line = QByteArray::fromStdString(written);
    EXPECT_TRUE(line.endsWith('\n'));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
    return document.object();
}

QueryRecord recordOf(const QueryReply &status, const QueryReply &teams = {})
{
    QueryRecord record;
    record.host = QStringLiteral("127.0.0.1");
    record.queryPort = 7778;
    record.statusParts = status.parts();
    record.teamsParts = teams.parts();
    record.replied = true;
    record.complete = status.isWhole();
    record.tries = 1;
    record.pingMs = 12;
    return record;
}

TEST(QueryReply, WholeOnceOneRequestHasEveryPartInWhateverOrder)
{
    QueryReply reply;
    EXPECT_TRUE(reply.add("\\player_0\\Bob\\queryid\\7.2"));
    EXPECT_FALSE(reply.isWhole());
    EXPECT_TRUE(reply.add("\\gamever\\451\\queryid\\7.3\\final\\"));
    EXPECT_FALSE(reply.isWhole());
    // A part of another request never fills a gap, nor does a repeated one.
    EXPECT_TRUE(reply.add("\\hostname\\Other\\queryid\\8.1"));
    EXPECT_FALSE(reply.add("\\player_0\\Bob\\queryid\\7.2"));
    EXPECT_FALSE(reply.isWhole());
    EXPECT_TRUE(reply.add("\\hostname\\First\\queryid\\7.1"));
    ASSERT_TRUE(reply.isWhole());
    const QList<QByteArrayView> parts = reply.parts();
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0], "\\hostname\\First\\queryid\\7.1");
    EXPECT_EQ(parts[2], "\\gamever\\451\\queryid\\7.3\\final\\");

    // Older servers put \final\ before \queryid\; a reply without an id is one part.
    QueryReply legacy;
    legacy.add("\\hostname\\Old\\final\\\\queryid\\3.1");
    EXPECT_TRUE(legacy.isWhole());
    QueryReply bare;
    bare.add("\\hostname\\Bare\\final\\");
    EXPECT_TRUE(bare.isWhole());
}

TEST(QueryReply, PartialRepliesKeepTheMostPartsAndLimitsHold)
{
    QueryReply reply;
    reply.add("\\hostname\\A\\queryid\\1.1");
    reply.add("\\hostname\\B\\queryid\\2.1");
    reply.add("\\numplayers\\3\\queryid\\2.2");
    EXPECT_FALSE(reply.isWhole());
    const QList<QByteArrayView> parts = reply.parts();
    ASSERT_EQ(parts.size(), 2);
    EXPECT_TRUE(parts[0].startsWith("\\hostname\\B"));

    // A server that sends parts without end is held to a bounded number.
    QueryReply flood;
    int kept = 0;
    for (int i = 1; i <= 1000; ++i)
        kept += flood.add(QByteArray("\\x\\y\\queryid\\1.") + QByteArray::number(i)) ? 1 : 0;
    EXPECT_LE(kept, QueryReply::kMaxParts);
    QueryReply big;
    EXPECT_TRUE(big.add(QByteArray(60000, 'x')));
    int bigKept = 1;
    for (int i = 0; i < 10; ++i)
        bigKept += big.add(QByteArray(60000, 'y') + QByteArray::number(i)) ? 1 : 0;
    EXPECT_LE(qsizetype(bigKept) * 60000, QueryReply::kMaxBytes + 60000);
}

TEST(QueryRecordWriter, NumbersAreNumbersTextIsTrimmedAndMissingValuesAreNull)
{
    QueryReply status;
    status.add("\\gamename\\ut\\gamever\\451\\hostname\\ Caf\xe9 \x99 \\hostport\\7777\\numplayers\\2"
               "\\maxplayers\\sixteen\\gamever\\999\\maxteams\\2\\timelimit\\-5\\queryid\\4.1");
    status.add("\\player_1\\Xan\\frags_1\\-3\\ping_1\\ 28\\team_1\\1\\player_0\\Bob\\ping_0\\ 9"
               "\\player_300\\Ghost\\queryid\\4.2\\final\\");
    QueryReply teams;
    teams.add("\\team_0\\Red\\score_0\\4.500000\\size_0\\1\\team_1\\Blue\\score_1\\0.000000\\size_1\\1"
              "\\team_2\\Green\\score_2\\0.000000\\size_2\\0\\queryid\\5.1\\final\\");
    const QJsonObject record = jsonOf(recordOf(status, teams));

    EXPECT_EQ(record.value(QStringLiteral("HostName")).toString(), QStringLiteral("Caf\u00e9 \u2122"));
    EXPECT_EQ(record.value(QStringLiteral("HostPort")), QJsonValue(7777));
    EXPECT_EQ(record.value(QStringLiteral("NumPlayers")), QJsonValue(2));
    EXPECT_EQ(record.value(QStringLiteral("MaxPlayers")), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(record.value(QStringLiteral("FragLimit")), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(record.value(QStringLiteral("GameVer")), QJsonValue(451)) << "the first of a repeated key";
    EXPECT_EQ(record.value(QStringLiteral("TimeLimit")), QJsonValue(-5));
    EXPECT_EQ(record.value(QStringLiteral("AdminName")).toString(), QString());

    // Players in the order of their numbers, a number beyond any slot dropped.
    const QJsonArray players = record.value(QStringLiteral("Players")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Name")).toString(), QStringLiteral("Bob"));
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Ping")), QJsonValue(9));
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("Frags")), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("Frags")), QJsonValue(-3));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("Ping")), QJsonValue(28));
    EXPECT_EQ(record.value(QStringLiteral("PlayerSlotCount")), QJsonValue(2));

    // Only the teams the game plays with.
    const QJsonArray teamList = record.value(QStringLiteral("Teams")).toArray();
    ASSERT_EQ(teamList.size(), 2);
    EXPECT_EQ(teamList[0].toObject().value(QStringLiteral("Score")), QJsonValue(4.5));
    EXPECT_EQ(teamList[1].toObject().value(QStringLiteral("Score")), QJsonValue(0));
    EXPECT_EQ(record.value(QStringLiteral("Ping")), QJsonValue(12));
    EXPECT_EQ(record.value(QStringLiteral("Complete")), QJsonValue(true));
}

TEST(QueryRecordWriter, SilentServerHasNoPingAndTextShowsNoControlCharacters)
{
    QueryRecord silent;
    silent.host = QStringLiteral("192.0.2.1");
    silent.queryPort = 7778;
    silent.tries = 3;
    const QJsonObject record = jsonOf(silent);
    EXPECT_EQ(record.value(QStringLiteral("Ping")), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(record.value(QStringLiteral("Replied")), QJsonValue(false));
    EXPECT_EQ(record.value(QStringLiteral("Tries")), QJsonValue(3));
    EXPECT_EQ(record.value(QStringLiteral("Players")).toArray().size(), 0);
    QueryRecordWriter writer;
    std::string text;
    writer.appendText(text, silent);
    EXPECT_EQ(text, "192.0.2.1:7778  no reply (3 tries)\n");

    // A name that would steer the terminal, or a JSON reader, arrives harmless.
    QueryReply status;
    status.add("\\hostname\\Evil\x1b]0;pwned\x07\x9d\"quote\\numplayers\\1\\maxplayers\\8\\queryid\\1.1");
    QueryRecord partial = recordOf(status);
    partial.tries = 3;
    text.clear();
    writer.appendText(text, partial);
    EXPECT_EQ(text.rfind("127.0.0.1:7778  Evil?]0;pwned??\"quote\n", 0), 0u) << text;
    EXPECT_NE(text.find("INCOMPLETE"), std::string::npos) << text;
    EXPECT_EQ(jsonOf(partial).value(QStringLiteral("HostName")).toString(),
              QStringLiteral("Evil\x1b]0;pwned\x07\u009d\"quote"));
}

} // namespace
