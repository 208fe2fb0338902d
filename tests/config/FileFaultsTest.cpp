// Quorvelin.ini under file-system faults: whatever happens, no stored data is lost.
//
// Root may write any file and create files in any directory, and these tests
// are often run as root. Read-only files are marked by their owner's write
// bit, which the program honours for root as well, so those tests hold for
// anyone. What only the kernel refuses (a file or directory of another user)
// is tried in a child process that root first turns into an ordinary user.
#include "config/IniFile.h"
#include "platform/AtomicFile.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Root runs the children that need permissions to count as nobody.
constexpr uid_t kNobody = 65534;

uid_t ordinaryUid()
{
    return ::geteuid() == 0 ? kNobody : ::geteuid();
}

gid_t ordinaryGid()
{
    return ::getegid() == 0 ? kNobody : ::getegid();
}

// Runs body in a child process, as an ordinary user when asked; the child's
// exit code is what body returns, or 128 and the signal that ended it.
int runInChild(bool asOrdinaryUser, const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (asOrdinaryUser && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
                || ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// Loads the file, changes LocalPort and saves; 0 when the save went as expected.
int saveLocalPort(const QString &path, int port, bool expectSaved, const QString &bigValue = {})
{
    IniFile ini(path);
    if (!ini.load())
        return 2;
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), port);
    if (!bigValue.isEmpty())
        ini.writeString(QStringLiteral("general"), QStringLiteral("Big"), bigValue);
    QString error;
    const bool saved = ini.save(&error);
    if (saved != expectSaved)
        return 3;
    if (!saved && !error.contains(path))
        return 4;
    return 0;
}

class FileFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        // The ordinary user of the children must reach the profile.
        ASSERT_EQ(::chmod(QFile::encodeName(base.path()).constData(), 0755), 0);
        ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("profile")));
        ASSERT_EQ(::chown(QFile::encodeName(profile()).constData(), ordinaryUid(), ordinaryGid()), 0);
    }
    void TearDown() override { ::chmod(QFile::encodeName(profile()).constData(), 0755); }

    QString profile() const { return base.filePath(QStringLiteral("profile")); }
    QString iniPath() const { return profile() + QStringLiteral("/Quorvelin.ini"); }
    void setMode(const QString &path, mode_t mode) const
    {
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }
    void giveToOrdinaryUser(const QString &path) const
    {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), ordinaryUid(), ordinaryGid()), 0);
    }

    const QByteArray previous =
        "; mine\n[general]\nLocalPort=65000\n[servers]\nip[0]=10.0.0.1\nport[0]=7778\ndesc[0]=A\n";
    QTemporaryDir base;
};

TEST_F(FileFaults, AReadOnlyFileIsNotReplaced)
{
    writeFile(iniPath(), previous);
    setMode(iniPath(), 0444);
    IniFile ini(iniPath());
    ASSERT_TRUE(ini.load());
    ini.writeInteger(QStringLiteral("general"), QStringLiteral("LocalPort"), 1);
    QString error;
    EXPECT_FALSE(ini.save(&error));
    EXPECT_TRUE(error.contains(iniPath()));
    EXPECT_TRUE(error.contains(QStringLiteral("read-only")));
    EXPECT_EQ(contents(iniPath()), previous);
    EXPECT_EQ(statOf(iniPath()).st_mode & 07777, 0444u);
    EXPECT_EQ(entries(profile()), QStringList{QStringLiteral("Quorvelin.ini")});
}

TEST_F(FileFaults, AFileTheUserMayNotWriteIsNotReplaced)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give the file to another user";
    // Root's file in a directory where nobody may create files: only the
    // file's own permission keeps nobody from replacing it.
    writeFile(iniPath(), previous);
    setMode(iniPath(), 0644);
    EXPECT_EQ(runInChild(true, [this] { return saveLocalPort(iniPath(), 1, false); }), 0);
    EXPECT_EQ(contents(iniPath()), previous);
    EXPECT_EQ(statOf(iniPath()).st_uid, 0u);
    EXPECT_EQ(entries(profile()), QStringList{QStringLiteral("Quorvelin.ini")});
}

TEST_F(FileFaults, ASymbolicLinkStaysALinkAndItsFileIsWritten)
{
    const QString real = base.filePath(QStringLiteral("real"));
    ASSERT_TRUE(QDir(base.path()).mkdir(QStringLiteral("real")));
    writeFile(real + QStringLiteral("/Quorvelin.ini"), previous);
    setMode(real + QStringLiteral("/Quorvelin.ini"), 0600);
    // Quorvelin.ini -> chain.ini -> ../real/Quorvelin.ini, both relative.
    ASSERT_EQ(
        ::symlink("../real/Quorvelin.ini", QFile::encodeName(profile() + QStringLiteral("/chain.ini")).constData()), 0);
    ASSERT_EQ(::symlink("chain.ini", QFile::encodeName(iniPath()).constData()), 0);

    EXPECT_EQ(saveLocalPort(iniPath(), 1, true), 0);
    EXPECT_TRUE(S_ISLNK(statOf(iniPath()).st_mode));
    EXPECT_EQ(QFile::symLinkTarget(iniPath()), QFileInfo(profile() + QStringLiteral("/chain.ini")).absoluteFilePath());
    EXPECT_EQ(QFileInfo(iniPath()).canonicalFilePath(),
              QFileInfo(real + QStringLiteral("/Quorvelin.ini")).canonicalFilePath());
    EXPECT_TRUE(S_ISLNK(statOf(profile() + QStringLiteral("/chain.ini")).st_mode));
    QByteArray expected = previous;
    expected.replace("LocalPort=65000", "LocalPort=1");
    EXPECT_EQ(contents(real + QStringLiteral("/Quorvelin.ini")), expected);
    EXPECT_EQ(statOf(real + QStringLiteral("/Quorvelin.ini")).st_mode & 07777, 0600u);
    EXPECT_EQ(entries(profile()), (QStringList{QStringLiteral("Quorvelin.ini"), QStringLiteral("chain.ini")}));
    EXPECT_EQ(entries(real), QStringList{QStringLiteral("Quorvelin.ini")});

    // A link to a file not made yet makes it.
    const QString dangling = profile() + QStringLiteral("/Other.ini");
    ASSERT_EQ(::symlink("../real/Other.ini", QFile::encodeName(dangling).constData()), 0);
    EXPECT_EQ(saveLocalPort(dangling, 2, true), 0);
    EXPECT_TRUE(S_ISLNK(statOf(dangling).st_mode));
    EXPECT_EQ(contents(real + QStringLiteral("/Other.ini")), QByteArray("[general]\nLocalPort=2\n"));
}

TEST_F(FileFaults, ADirectoryThatTakesNoNewFileGetsTheFileWrittenInPlace)
{
    writeFile(iniPath(), previous);
    giveToOrdinaryUser(iniPath());
    setMode(profile(), 0555);
    const ino_t inode = statOf(iniPath()).st_ino;

    // A shorter value: what is left of the old contents must go too.
    EXPECT_EQ(runInChild(true, [this] { return saveLocalPort(iniPath(), 1, true); }), 0);
    QByteArray expected = previous;
    expected.replace("LocalPort=65000", "LocalPort=1");
    EXPECT_EQ(contents(iniPath()), expected);
    EXPECT_EQ(statOf(iniPath()).st_ino, inode);
    EXPECT_EQ(entries(profile()), QStringList{QStringLiteral("Quorvelin.ini")});
}

TEST_F(FileFaults, AWriteInPlaceThatFailsIsReportedAndLeavesTheFileWhole)
{
    writeFile(iniPath(), previous);
    giveToOrdinaryUser(iniPath());
    setMode(profile(), 0555);

    EXPECT_EQ(runInChild(true,
                         [this] {
                             // The disk fills up at 512 bytes.
                             std::signal(SIGXFSZ, SIG_IGN);
                             const rlimit small{512, 512};
                             setrlimit(RLIMIT_FSIZE, &small);
                             return saveLocalPort(iniPath(), 1, false, QString(2000, QLatin1Char('z')));
                         }),
              0);
    EXPECT_EQ(contents(iniPath()), previous);
    EXPECT_EQ(entries(profile()), QStringList{QStringLiteral("Quorvelin.ini")});
}

TEST_F(FileFaults, TheTemporaryFileOfAKilledSaveIsRemovedAndNothingElse)
{
    writeFile(iniPath(), previous);
    // The save is killed half way: past 512 bytes the write ends the process.
    EXPECT_EQ(runInChild(false,
                         [this] {
                             const rlimit noCore{0, 0};
                             setrlimit(RLIMIT_CORE, &noCore);
                             std::signal(SIGXFSZ, SIG_DFL);
                             const rlimit small{512, 512};
                             setrlimit(RLIMIT_FSIZE, &small);
                             return saveLocalPort(iniPath(), 1, true, QString(2000, QLatin1Char('z')));
                         }),
              128 + SIGXFSZ);
    const QStringList left = entries(profile());
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(contents(iniPath()), previous);

    // Names near ours, and our name on what the program never makes.
    const QStringList others = {
        QStringLiteral("Quorvelin.ini.AbC123"),         QStringLiteral(".Quorvelin.ini.qvtmp-AbC12"),
        QStringLiteral(".Quorvelin.ini.qvtmp-AbC1234"), QStringLiteral(".Quorvelin.ini.qvtmp-AbC12_"),
        QStringLiteral(".Quorvelin.ini.qvtmp-AbC123~"), QStringLiteral(".Other.ini.qvtmp-AbC123"),
        QStringLiteral(".quorvelin.ini.qvtmp-AbC123"),  QStringLiteral("Quorvelin.ini.qvtmp-AbC123")};
    for (const QString &name : others)
        writeFile(profile() + QLatin1Char('/') + name, "keep");
    ASSERT_TRUE(QDir(profile()).mkdir(QStringLiteral(".Quorvelin.ini.qvtmp-Dir123")));
    ASSERT_EQ(::symlink("Quorvelin.ini",
                        QFile::encodeName(profile() + QStringLiteral("/.Quorvelin.ini.qvtmp-Lnk123")).constData()),
              0);
    QStringList kept = others;
    kept << QStringLiteral("Quorvelin.ini") << QStringLiteral(".Quorvelin.ini.qvtmp-Dir123")
         << QStringLiteral(".Quorvelin.ini.qvtmp-Lnk123");
    if (::geteuid() == 0) {
        const QString foreign = profile() + QStringLiteral("/.Quorvelin.ini.qvtmp-Oth123");
        writeFile(foreign, "another user's");
        giveToOrdinaryUser(foreign);
        kept << QStringLiteral(".Quorvelin.ini.qvtmp-Oth123");
    }

    QString error;
    EXPECT_TRUE(removeStaleTemporaryFiles(iniPath(), &error)) << error.toStdString();
    kept.sort();
    QStringList now = entries(profile());
    now.sort();
    EXPECT_EQ(now, kept);
    EXPECT_EQ(contents(iniPath()), previous);
    // Nothing to remove is no failure, nor is a profile not made yet.
    EXPECT_TRUE(removeStaleTemporaryFiles(iniPath()));
    EXPECT_TRUE(removeStaleTemporaryFiles(base.filePath(QStringLiteral("none/Quorvelin.ini"))));
}

} // namespace
