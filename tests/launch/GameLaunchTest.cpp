#include "config/IniFile.h"
#include "launch/GameLaunch.h"
#include "platform/SystemGameLocator.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(GameLaunch, FindsTheNativeBuildFirstWhateverTheLetterCase)
{
    QTemporaryDir base;
    EXPECT_TRUE(GameLaunch::findExecutable(base.path()).isEmpty());
    touch(base.filePath(QStringLiteral("system/UNREALTOURNAMENT.EXE")));
    EXPECT_EQ(GameLaunch::findExecutable(base.path()), base.filePath(QStringLiteral("system/UNREALTOURNAMENT.EXE")));
    touch(base.filePath(QStringLiteral("System/ut-bin")));
    touch(base.filePath(QStringLiteral("System64/ut-bin-amd64")));
    EXPECT_EQ(GameLaunch::findExecutable(base.path()), base.filePath(QStringLiteral("System64/ut-bin-amd64")));
    EXPECT_TRUE(GameLaunch::findExecutable(QString()).isEmpty());
}

// Every layout that counts as an installation gives an executable to start,
// and the other way round.
class GameLayout : public ::testing::TestWithParam<const char *>
{
};

TEST_P(GameLayout, DetectionAndLookUpAgree)
{
    QTemporaryDir base;
    const QString executable = base.filePath(QString::fromLatin1(GetParam()));
    touch(QFileInfo(executable).path() + QStringLiteral("/Core.u"));
    EXPECT_FALSE(SystemGameLocator::isGameBaseDirectory(base.path()));
    EXPECT_TRUE(GameLaunch::findExecutable(base.path()).isEmpty());
    touch(executable);
    EXPECT_TRUE(SystemGameLocator::isGameBaseDirectory(base.path()));
    EXPECT_EQ(GameLaunch::findExecutable(base.path()), executable);
    EXPECT_EQ(SystemGameLocator({base.path()}).findBaseDirectory(), QDir::cleanPath(base.path()));
}

INSTANTIATE_TEST_SUITE_P(GameLaunch, GameLayout,
                         ::testing::Values("System/UnrealTournament.exe", "SYSTEM/unrealtournament.EXE",
                                           "System/ut-bin", "System/ut-bin-x86", "System/ut-bin-amd64",
                                           "System/ut-bin-arm64", "System64/ut-bin-amd64", "SystemARM64/ut-bin-arm64"));

TEST(GameLaunch, ADirectoryNamedAsTheExecutableIsNoGame)
{
    QTemporaryDir base;
    QDir().mkpath(base.filePath(QStringLiteral("System/ut-bin")));
    EXPECT_FALSE(SystemGameLocator::isGameBaseDirectory(base.path()));
    EXPECT_TRUE(GameLaunch::findExecutable(base.path()).isEmpty());
}

TEST(GameLaunch, AParameterFileWithBlanksInItsPathStaysOneArgument)
{
    QTemporaryDir home;
    const QString file = home.filePath(QStringLiteral("My Games/UT \"server\" 2.ini"));
    touch(file);
    const QString address = QStringLiteral("1.2.3.4:7777");
    // Given whole as the extra parameters.
    EXPECT_EQ(
        GameLaunch::command(QStringLiteral("/ut/System/ut-bin"), GameLaunch::parameters(address, file), {}).arguments,
        (QStringList{address, file}));
    // Added to a command line, as the run prompt adds a chosen file.
    const QString added = GameLaunch::withArgument(QStringLiteral("1.2.3.4:7777 -windowed"), file);
    EXPECT_EQ(GameLaunch::command(QStringLiteral("/ut/System/ut-bin"), added, {}).arguments,
              (QStringList{address, QStringLiteral("-windowed"), file}));
    // A plain path goes in as it is.
    EXPECT_EQ(GameLaunch::withArgument(address, QStringLiteral("/ut/plain.ini")),
              address + QStringLiteral(" /ut/plain.ini"));
    // Extra parameters that are no file are split as before.
    EXPECT_EQ(GameLaunch::command(QStringLiteral("/ut/System/ut-bin"),
                                  GameLaunch::parameters(address, home.filePath(QStringLiteral("My Games/none.ini"))),
                                  QString())
                  .arguments.size(),
              3);
}

TEST(GameLaunch, HistoryComparesAsTheFileSystemDoes)
{
    const QStringList history{QStringLiteral("/opt/ut/System/ut-bin"), QStringLiteral("/opt/UT/System/ut-bin")};
    const QStringList promoted = GameLaunch::promote(history, QStringLiteral("/OPT/ut/System/ut-bin"));
#ifdef Q_OS_WIN
    EXPECT_EQ(promoted, history);
#else
    // Two programs that differ only in letter case are two programs.
    EXPECT_EQ(promoted, (QStringList{QStringLiteral("/OPT/ut/System/ut-bin"), history[0], history[1]}));
    EXPECT_EQ(GameLaunch::promote(history, history[1]), (QStringList{history[1], history[0]}));
#endif
}

TEST(GameLaunch, OnlyAPlainPortFromTheReplyReachesTheCommandLine)
{
    EXPECT_EQ(GameLaunch::gameAddress(QStringLiteral("1.2.3.4"), QStringLiteral("7777"), 7778),
              QStringLiteral("1.2.3.4:7777"));
    // A hostile or broken reply falls back to the query port minus one.
    for (const char *reported : {"7777 -log=evil", "", "0", "70000", "-1", "$1E61", "7777\n-x", "\u0667\u0667"})
        EXPECT_EQ(GameLaunch::gameAddress(QStringLiteral("1.2.3.4"), QString::fromUtf8(reported), 7790),
                  QStringLiteral("1.2.3.4:7789"))
            << reported;
}

TEST(GameLaunch, CommandLineIsSplitIntoArgumentsWithoutAShell)
{
    EXPECT_EQ(GameLaunch::parameters(QStringLiteral("1.2.3.4:7777"), QString()), QStringLiteral("1.2.3.4:7777"));
    const QString parameters =
        GameLaunch::parameters(QStringLiteral("1.2.3.4:7777"), QStringLiteral("-nosound \"name=a b\"; rm -rf ~"));
    const GameLaunch::Command native = GameLaunch::command(QStringLiteral("/ut/System/ut-bin"), parameters, {});
    EXPECT_EQ(native.program, QStringLiteral("/ut/System/ut-bin"));
    EXPECT_EQ(native.arguments,
              (QStringList{QStringLiteral("1.2.3.4:7777"), QStringLiteral("-nosound"), QStringLiteral("name=a b;"),
                           QStringLiteral("rm"), QStringLiteral("-rf"), QStringLiteral("~")}));
    const GameLaunch::Command windows =
        GameLaunch::command(QStringLiteral("/ut/System/UnrealTournament.EXE"), QStringLiteral("1.2.3.4:7777"),
                            QStringLiteral("/usr/bin/wine"));
    EXPECT_EQ(windows.program, QStringLiteral("/usr/bin/wine"));
    EXPECT_EQ(windows.arguments,
              (QStringList{QStringLiteral("/ut/System/UnrealTournament.EXE"), QStringLiteral("1.2.3.4:7777")}));
}

TEST(GameLaunch, HistoryKeepsTenEntriesMostRecentFirst)
{
    QStringList history;
    for (int i = 0; i < 10; ++i)
        history.append(QStringLiteral("exe%1").arg(i));
    // Known: moved to the top, not stored twice.
    EXPECT_EQ(GameLaunch::promote(history, QStringLiteral("exe3")).mid(0, 2),
              (QStringList{QStringLiteral("exe3"), QStringLiteral("exe0")}));
    EXPECT_EQ(GameLaunch::promote(history, QStringLiteral("exe3")).size(), 10);
    // New: at the top, the oldest drops out.
    const QStringList pushed = GameLaunch::promote(history, QStringLiteral("new"));
    EXPECT_EQ(pushed.size(), 10);
    EXPECT_EQ(pushed.first(), QStringLiteral("new"));
    EXPECT_EQ(pushed.last(), QStringLiteral("exe8"));

    IniFile ini;
    QString error;
    ASSERT_TRUE(GameLaunch::writeHistory(ini, QStringLiteral("run_exec"), pushed, &error));
    EXPECT_EQ(GameLaunch::readHistory(ini, QStringLiteral("run_exec")), pushed);
    EXPECT_EQ(GameLaunch::readHistory(ini, QStringLiteral("run_param")), QStringList(10, QString()));
}

} // namespace
