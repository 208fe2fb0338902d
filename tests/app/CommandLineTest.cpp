#include "app/AppPaths.h"
#include "app/CommandLine.h"
#include "core/BulkQuery.h"
#include "core/ServerAddress.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList args(std::initializer_list<const char *> list)
{
    QStringList result{QStringLiteral("quorvelin")};
    for (const char *a : list)
        result.append(QString::fromLatin1(a));
    return result;
}

TEST(CommandLine, DebugCountsOnlyAsTheFirstArgument)
{
    EXPECT_TRUE(CommandLine::parse(args({"-debug"})).debugMode);
    const CommandLine late = CommandLine::parse(args({"--profile", "/tmp/x", "-debug"}));
    EXPECT_FALSE(late.debugMode);
    EXPECT_FALSE(late.error.isEmpty());
}

TEST(CommandLine, ProfileServersAndQuery)
{
    const CommandLine c = CommandLine::parse(
        args({"-debug", "--profile", "/tmp/p", "--server", "127.0.0.1:7778", "--server", "ut.example.org:7788"}));
    EXPECT_TRUE(c.error.isEmpty()) << qPrintable(c.error);
    EXPECT_EQ(c.profile, QStringLiteral("/tmp/p"));
    ASSERT_EQ(c.servers.size(), 2);
    EXPECT_EQ(c.servers[1].address, QStringLiteral("ut.example.org"));
    EXPECT_EQ(c.servers[1].port, 7788);

    const CommandLine q = CommandLine::parse(args({"--query", "127.0.0.1:7778", "--json"}));
    EXPECT_TRUE(q.queryMode);
    EXPECT_EQ(q.queryArguments, (QStringList{QStringLiteral("127.0.0.1:7778"), QStringLiteral("--json")}));

    for (auto bad : {args({"--server", "127.0.0.1"}), args({"--server", "h:0"}), args({"--server", "h:70000"}),
                     args({"--profile"}), args({"--bogus"})})
        EXPECT_FALSE(CommandLine::parse(bad).error.isEmpty()) << qPrintable(bad.join(QLatin1Char(' ')));
}

TEST(CommandLine, HistoryTakesAServerJsonAndAProfile)
{
    const CommandLine h = CommandLine::parse(args({"--json", "--history", "010.0.0.1:7778", "--profile", "/tmp/p"}));
    EXPECT_TRUE(h.error.isEmpty()) << qPrintable(h.error);
    EXPECT_TRUE(h.historyMode);
    EXPECT_TRUE(h.json);
    EXPECT_EQ(h.historyServer.address, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(h.historyServer.port, 7778);
    EXPECT_EQ(h.profile, QStringLiteral("/tmp/p"));
    EXPECT_FALSE(CommandLine::parse(args({"--history", "ut.example.org:7788"})).json);

    for (auto bad :
         {args({"--history"}), args({"--history", "127.0.0.1"}), args({"--json"}), args({"--json", "--report"}),
          args({"--history", "h:1", "--report"}), args({"--history", "h:1", "--server", "h:2"}),
          args({"-debug", "--history", "h:1"}), args({"--history", "h:1", "--query", "h:2"})})
        EXPECT_FALSE(CommandLine::parse(bad).error.isEmpty()) << qPrintable(bad.join(QLatin1Char(' ')));
    EXPECT_TRUE(CommandLine::usage().contains(QStringLiteral("--history ADDRESS:QUERYPORT [--json] [--profile DIR]")));
}

TEST(ConsoleQueryArguments, ParsesTargetsAndOptions)
{
    QString error;
    const auto options = BulkQuery::parseArguments(
        {QStringLiteral("127.0.0.1:7778"), QStringLiteral("--json"), QStringLiteral("--timeout"), QStringLiteral("250"),
         QStringLiteral("--sleep"), QStringLiteral("0"), QStringLiteral("[::1]:7790"), QStringLiteral("--retries"),
         QStringLiteral("0"), QStringLiteral("--in-flight"), QStringLiteral("500")},
        &error);
    ASSERT_TRUE(options) << qPrintable(error);
    EXPECT_TRUE(options->json);
    EXPECT_EQ(options->timeoutMs, 250);
    EXPECT_EQ(options->sleepMs, 0);
    EXPECT_EQ(options->retries, 0);
    EXPECT_EQ(options->inFlight, 500);
    ASSERT_EQ(options->targets.size(), 2);
    EXPECT_EQ(options->targets[0].port, 7778);

    for (const QStringList &bad :
         {QStringList{}, QStringList{QStringLiteral("--json")},
          QStringList{QStringLiteral("h:1"), QStringLiteral("--timeout")},
          QStringList{QStringLiteral("h:1"), QStringLiteral("--sleep"), QStringLiteral("-5")},
          QStringList{QStringLiteral("nocolon")}, QStringList{QStringLiteral("h:99999")},
          QStringList{QStringLiteral("h:1"), QStringLiteral("--timeout"), QStringLiteral("0")}}) {
        error.clear();
        EXPECT_FALSE(BulkQuery::parseArguments(bad, &error)) << qPrintable(bad.join(QLatin1Char(' ')));
        EXPECT_FALSE(error.isEmpty());
    }
}

struct AddressTextCase
{
    const char *text;
    const char *error; // empty when the text is taken
};

class ServerAddressText : public ::testing::TestWithParam<AddressTextCase>
{
};

TEST_P(ServerAddressText, MeansWhatItSays)
{
    QString error;
    const std::optional<ServerAddress> parsed = ServerAddress::parse(QString::fromLatin1(GetParam().text), &error);
    EXPECT_EQ(parsed.has_value(), *GetParam().error == 0) << GetParam().text;
    EXPECT_EQ(error, QString::fromLatin1(GetParam().error));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, ServerAddressText,
    ::testing::Values(AddressTextCase{"1.2.3.4:7778", ""}, AddressTextCase{"ut.example.org:7778", ""},
                      AddressTextCase{"1.2.3:7778", "'1.2.3' is not a valid IPv4 address"},
                      AddressTextCase{"1.2.3.256:7778", "'1.2.3.256' is not a valid IPv4 address"},
                      AddressTextCase{":+7778", "':+7778' is not of the form ADDRESS:QUERYPORT"},
                      AddressTextCase{"h:+7778", "'h:+7778' is not of the form ADDRESS:QUERYPORT"},
                      AddressTextCase{"h: 7778", "'h: 7778' is not of the form ADDRESS:QUERYPORT"},
                      AddressTextCase{"1.2.3.4:99999", "'1.2.3.4:99999': the port 99999 is out of range (1 to 65535)"},
                      AddressTextCase{"1.2.3.4:0", "'1.2.3.4:0': the port 0 is out of range (1 to 65535)"}));

TEST(AppPaths, ChoosesTheProfileDirectory)
{
    QTemporaryDir program;
    QTemporaryDir user;
    EXPECT_EQ(AppPaths::profileDirectory(QStringLiteral("/tmp/chosen"), program.path(), user.path()),
              QStringLiteral("/tmp/chosen"));
    // A writable program directory is a portable copy.
    EXPECT_EQ(AppPaths::profileDirectory(QString(), program.path(), user.path()), program.path());
    // An installed program's bin/ is not, however writable: ~/.local/bin, or /usr/bin for root.
    const QString bin = program.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(program.filePath(QStringLiteral("share/quorvelin"))));
    EXPECT_EQ(AppPaths::profileDirectory(QString(), bin, user.path()), user.path());
    // A portable copy keeps its profile even where it is installed.
    QFile ini(QDir(bin).filePath(QStringLiteral("Quorvelin.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.close();
    EXPECT_EQ(AppPaths::profileDirectory(QString(), bin, user.path()), bin);

    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(program.path()).isWritable())
        GTEST_SKIP() << "running as a user who can write anywhere";
    EXPECT_EQ(AppPaths::profileDirectory(QString(), program.path(), user.path()), user.path());
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
