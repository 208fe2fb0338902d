#include "launch/HelpFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString &path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("text\n");
}

} // namespace

TEST(HelpFilesTest, FilesBesideTheProgramComeFirst)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.filePath(QStringLiteral("bin"));
    writeFile(program + QStringLiteral("/help/index.html"));
    writeFile(program + QStringLiteral("/readme.txt"));
    writeFile(root.filePath(QStringLiteral("share/quorvelin/help/index.html")));

    EXPECT_EQ(HelpFiles::locate(QStringLiteral("help/index.html"), program),
              QDir(program).absoluteFilePath(QStringLiteral("help/index.html")));
    EXPECT_EQ(HelpFiles::locate(QStringLiteral("readme.txt"), program),
              QDir(program).absoluteFilePath(QStringLiteral("readme.txt")));
}

TEST(HelpFilesTest, InstalledFilesAreFoundUnderShare)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(program));
    writeFile(root.filePath(QStringLiteral("share/quorvelin/help/index.html")));
    writeFile(root.filePath(QStringLiteral("share/quorvelin/version.txt")));

    const QString expected = QDir(root.path()).absoluteFilePath(QStringLiteral("share/quorvelin/help/index.html"));
    EXPECT_EQ(HelpFiles::locate(QStringLiteral("help/index.html"), program), QDir::cleanPath(expected));
    EXPECT_EQ(HelpFiles::locate(QStringLiteral("version.txt"), program),
              QDir::cleanPath(root.filePath(QStringLiteral("share/quorvelin/version.txt"))));
}

TEST(HelpFilesTest, AMissingFileGivesAnEmptyPath)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString program = root.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(program));
    // A directory of that name is no file.
    ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/readme.txt")));

    EXPECT_TRUE(HelpFiles::locate(QStringLiteral("help/index.html"), program).isEmpty());
    EXPECT_TRUE(HelpFiles::locate(QStringLiteral("readme.txt"), program).isEmpty());
    EXPECT_TRUE(HelpFiles::locate(QStringLiteral("version.txt"), QString()).isEmpty());
}
