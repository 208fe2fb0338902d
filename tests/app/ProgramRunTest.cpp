// The whole program as a user starts it, with a profile of its own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ProgramRun, TerminationSignalClosesLikeTheWindowAndSavesTheState)
{
    QTemporaryDir profile;
    const QString ini = QDir(profile.path()).filePath(QStringLiteral("Quorvelin.ini"));
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[general]\nLocalPort=0\nServerListDelay=33\nRememberServerCheck=1\n");
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUORVELIN_BINARY),
                  {QStringLiteral("--profile"), profile.path(), QStringLiteral("--server"), QStringLiteral("127.0.0.1:7778")});
    ASSERT_TRUE(program.waitForStarted(5000));

    // The stored list is written once the first showing has added the server.
    for (int i = 0; i < 100 && !readFile(ini).contains("ip[0]"); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(readFile(ini).contains("ip[0]=127.0.0.1")) << readFile(ini).constData();
    // Then the start-up queries it once, 20 ms, and restores the marks; a
    // close before that would keep the stored ones.
    QThread::msleep(1000);

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const QByteArray saved = readFile(ini);
    EXPECT_TRUE(saved.contains("ServerListDelay=33")) << saved.constData();
    EXPECT_TRUE(saved.contains("ServerListChecks=0,")) << saved.constData();
    EXPECT_TRUE(saved.contains("LastVersionChecked=166")) << saved.constData();
}

TEST(ProgramRun, ATerminationSignalNeverWaitsForABox)
{
    // A disk that takes the start-up's short server list but not the state
    // the close writes: the close cannot save, and nobody is there to read a box.
    QTemporaryDir profile;
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{120, 120};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    program.start(QStringLiteral(QUORVELIN_BINARY),
                  {QStringLiteral("--profile"), profile.path(), QStringLiteral("--server"), QStringLiteral("127.0.0.1:7778")});
    ASSERT_TRUE(program.waitForStarted(5000));
    const QString ini = QDir(profile.path()).filePath(QStringLiteral("Quorvelin.ini"));
    for (int i = 0; i < 100 && !readFile(ini).contains("ip[0]"); ++i)
        QThread::msleep(50);
    ASSERT_TRUE(readFile(ini).contains("ip[0]=127.0.0.1")) << readFile(ini).constData();
    QThread::msleep(500);

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    const bool ended = program.waitForFinished(5000);
    if (!ended)
        program.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(program.exitCode(), 0);
    // What the close could not save is said on standard error instead.
    EXPECT_TRUE(program.readAllStandardError().contains("quorvelin: ")) << program.readAllStandardError().constData();
}

} // namespace
