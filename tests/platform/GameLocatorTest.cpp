#include "platform/SystemGameLocator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(SystemGameLocator, AcceptsOnlyADirectoryWithTheGameInItsSystemFolder)
{
    QTemporaryDir root;
    const QString empty = root.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty + QStringLiteral("/System"));
    const QString wrongFile = root.filePath(QStringLiteral("wrong"));
    touch(wrongFile + QStringLiteral("/System/Core.u"));
    const QString wine = root.filePath(QStringLiteral("wine/Program Files/Unreal Tournament"));
    touch(wine + QStringLiteral("/SYSTEM/UnrealTournament.EXE"));
    const QString native = root.filePath(QStringLiteral("native"));
    touch(native + QStringLiteral("/System/ut-bin"));

    EXPECT_FALSE(SystemGameLocator::isGameBaseDirectory(root.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(SystemGameLocator::isGameBaseDirectory(empty));
    EXPECT_FALSE(SystemGameLocator::isGameBaseDirectory(wrongFile));
    EXPECT_TRUE(SystemGameLocator::isGameBaseDirectory(wine));
    EXPECT_TRUE(SystemGameLocator::isGameBaseDirectory(native));

    EXPECT_EQ(SystemGameLocator({empty, wrongFile, wine, native}).findBaseDirectory(), wine);
    EXPECT_EQ(SystemGameLocator({empty}).findBaseDirectory(), QString());
}

} // namespace
