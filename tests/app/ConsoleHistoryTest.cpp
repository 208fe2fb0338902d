// "quorvelin --history": the samples of one server from the profile's
// history file, as text lines or one JSON array, without a window.
#include "ProcessRun.h"
#include "history/HistoryFiles.h"
#include "history/HistoryStore.h"
#include "support/QtPrinters.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Thursday 30 November 2023, 00:00 UTC.
constexpr qint64 kNow = 1'701'302'400;

const HistoryServer kServer{QStringLiteral("127.0.0.1"), 7778};
// Untrusted text as a server may name its map.
const QString kOddMap = QStringLiteral("DM-\"Quote\"\\Back\u00e9\u2122") + QChar(1) + QStringLiteral("</script>");

class ConsoleHistoryTest : public ::testing::Test
{
protected:
    QString path() const { return HistoryStore::filePath(dir.path()); }

    void fill()
    {
        HistoryStore store;
        ASSERT_TRUE(store.open(path())) << qPrintable(store.errorString());
        const struct
        {
            qint64 time;
            int players;
            QString map;
        } samples[] = {{kNow, 3, QStringLiteral("CTF-Face")}, {kNow + 90, 12, kOddMap}, {kNow + 3600, 0, QString()}};
        for (const auto &sample : samples) {
            store.beginWalk();
            store.addSample(kServer, QStringLiteral("Test"), {sample.time, sample.players, 16, sample.map});
            store.addSample({QStringLiteral("127.0.0.1"), 7779}, QStringLiteral("Other"),
                            {sample.time, 1, 8, QString()});
            ASSERT_TRUE(store.commitWalk(sample.time));
        }
    }

    ProcessRun history(QStringList extra = {})
    {
        return run(QStringLiteral(QUORVELIN_BINARY),
                   QStringList{QStringLiteral("--history"), QStringLiteral("127.0.0.1:7778"),
                               QStringLiteral("--profile"), dir.path()}
                       + extra);
    }

    QTemporaryDir dir;
};

TEST_F(ConsoleHistoryTest, PrintsTheSamplesOldestFirstAsText)
{
    fill();
    const ProcessRun result = history();
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(result.out),
              QStringLiteral("2023-11-30T00:00:00Z 3/16 CTF-Face\n"
                             "2023-11-30T00:01:30Z 12/16 DM-\"Quote\"\\Back\u00e9\u2122?</script>\n"
                             "2023-11-30T01:00:00Z 0/16\n"));
    EXPECT_TRUE(result.err.isEmpty());
}

TEST_F(ConsoleHistoryTest, PrintsOneJsonArray)
{
    fill();
    const ProcessRun result = history({QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.count('\n'), 1);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
    ASSERT_TRUE(document.isArray());
    const QJsonArray array = document.array();
    ASSERT_EQ(array.size(), 3);
    const QJsonObject odd = array[1].toObject();
    EXPECT_EQ(odd.value(QStringLiteral("time")).toString(), QStringLiteral("2023-11-30T00:01:30Z"));
    EXPECT_EQ(odd.value(QStringLiteral("players")).toInt(-1), 12);
    EXPECT_EQ(odd.value(QStringLiteral("maxPlayers")).toInt(-1), 16);
    EXPECT_EQ(odd.value(QStringLiteral("map")).toString(), kOddMap);
    EXPECT_EQ(array[2].toObject().value(QStringLiteral("map")).toString(QStringLiteral("none")), QString());
    EXPECT_EQ(odd.keys().size(), 4);
}

TEST_F(ConsoleHistoryTest, AMissingFileIsNoHistoryAndStaysMissing)
{
    const ProcessRun result = history();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains("No history for 127.0.0.1:7778")) << result.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path()));
}

TEST_F(ConsoleHistoryTest, AServerNotInTheHistory)
{
    fill();
    const ProcessRun result =
        run(QStringLiteral(QUORVELIN_BINARY), {QStringLiteral("--profile"), dir.path(), QStringLiteral("--history"),
                                               QStringLiteral("127.0.0.2:7778"), QStringLiteral("--json")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains("No history for 127.0.0.2:7778")) << result.err.toStdString();
}

TEST_F(ConsoleHistoryTest, ADamagedFileIsReported)
{
    ASSERT_TRUE(writeFileBytes(path(), QByteArray(8192, '\x5a')));
    const ProcessRun result = history();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("damaged")) << result.err.toStdString();
    EXPECT_EQ(fileBytes(path()), QByteArray(8192, '\x5a'));
}

TEST_F(ConsoleHistoryTest, AFileHeldByAnotherProgramIsReported)
{
    fill();
    RawConnection other(path());
    ASSERT_TRUE(other.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    ASSERT_TRUE(other.exec(QStringLiteral("INSERT INTO maps(name) VALUES('theirs')")));
    const ProcessRun result = history();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains("in use")) << result.err.toStdString();
}

TEST_F(ConsoleHistoryTest, BadArguments)
{
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("--history")}, QStringList{QStringLiteral("--history"), QStringLiteral("nowhere")},
          QStringList{QStringLiteral("--history"), QStringLiteral("127.0.0.1:7778"), QStringLiteral("--report")},
          QStringList{QStringLiteral("--json")}}) {
        const ProcessRun result = run(QStringLiteral(QUORVELIN_BINARY), arguments);
        EXPECT_EQ(result.exitCode, 1) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.err.contains("usage:")) << result.err.toStdString();
    }
}

} // namespace
