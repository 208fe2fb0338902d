// The whole program as a user starts it, with a profile of its own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>

namespace {

// Generous: the program starts its window module and a display of its own,
// which takes seconds on a loaded machine. Only a failing test waits this long.
constexpr int kStartUpMs = 60000;

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Stands in for the one listed server: the program's first query to it tells
// that the window is up, its start-up walk under way and its signal handling in place.
class ListedServer
{
public:
    ListedServer() { EXPECT_TRUE(m_socket.bind(QHostAddress::LocalHost, 0)); }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_socket.localPort()); }
    bool waitForQuery() { return m_socket.hasPendingDatagrams() || m_socket.waitForReadyRead(kStartUpMs); }

private:
    QUdpSocket m_socket;
};

void startProgram(QProcess &program, const QString &profile, const QString &server)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUORVELIN_BINARY),
                  {QStringLiteral("--profile"), profile, QStringLiteral("--server"), server});
}

TEST(ProgramRun, VersionAndHelpAnswerWithoutAWindow)
{
    QProcess version;
    version.start(QStringLiteral(QUORVELIN_BINARY), {QStringLiteral("--version")});
    ASSERT_TRUE(version.waitForFinished(kStartUpMs));
    EXPECT_EQ(version.exitCode(), 0);
    const QString text = QString::fromUtf8(version.readAllStandardOutput());
    const QRegularExpression form(
        QStringLiteral("^Quorvelin %1 \\(release [0-9]+(, revision [0-9a-f]{12}(-modified)?)?\\)\n$")
            .arg(QStringLiteral(QUORVELIN_VERSION).replace(QLatin1Char('.'), QStringLiteral("\\."))));
    EXPECT_TRUE(form.match(text).hasMatch()) << text.toStdString();
    EXPECT_TRUE(version.readAllStandardError().isEmpty());

    QProcess help;
    help.start(QStringLiteral(QUORVELIN_BINARY), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(kStartUpMs));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("  --version "));
}

TEST(ProgramRun, TerminationSignalClosesLikeTheWindowAndSavesTheState)
{
    QTemporaryDir profile;
    ListedServer server;
    const QString ini = QDir(profile.path()).filePath(QStringLiteral("Quorvelin.ini"));
    {
        // The server is stored and its mark remembered, so the marks saved
        // read the same whether the signal comes before or after the start-up
        // restored them.
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[general]\nLocalPort=0\nServerListDelay=33\nRememberServerCheck=1\nServerListChecks=0,\n"
                "[servers]\nip[0]=127.0.0.1\nport[0]="
                + server.address().section(QLatin1Char(':'), 1).toLatin1() + "\ndesc[0]=Listed\n");
    }
    QProcess program;
    startProgram(program, profile.path(), server.address());
    ASSERT_TRUE(program.waitForStarted(kStartUpMs));
    ASSERT_TRUE(server.waitForQuery()) << program.readAllStandardError().constData();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(kStartUpMs));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const QByteArray saved = readFile(ini);
    EXPECT_TRUE(saved.contains("ServerListDelay=33")) << saved.constData();
    EXPECT_TRUE(saved.contains("ServerListChecks=0,")) << saved.constData();
    EXPECT_TRUE(saved.contains("LastVersionChecked=166")) << saved.constData();
    EXPECT_EQ(saved.count("ip["), 1) << saved.constData();
}

TEST(ProgramRun, ATerminationSignalNeverWaitsForABox)
{
    // A disk that takes the start-up's short server list but not the state
    // the close writes: the close cannot save, and nobody is there to read a box.
    QTemporaryDir profile;
    ListedServer server;
    const QString ini = QDir(profile.path()).filePath(QStringLiteral("Quorvelin.ini"));
    {
        // Any free port: another run beside this one may hold the usual one.
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[general]\nLocalPort=0\n");
    }
    QProcess program;
    program.setChildProcessModifier([] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{120, 120};
        ::setrlimit(RLIMIT_FSIZE, &small);
    });
    startProgram(program, profile.path(), server.address());
    ASSERT_TRUE(program.waitForStarted(kStartUpMs));
    // The list is stored before the first query goes out.
    ASSERT_TRUE(server.waitForQuery()) << program.readAllStandardError().constData();
    ASSERT_TRUE(readFile(ini).contains("ip[0]=127.0.0.1")) << readFile(ini).constData();

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    const bool ended = program.waitForFinished(kStartUpMs);
    if (!ended)
        program.kill();
    ASSERT_TRUE(ended);
    EXPECT_EQ(program.exitCode(), 0);
    // What the close could not save is said on standard error instead.
    EXPECT_TRUE(program.readAllStandardError().contains("quorvelin: ")) << program.readAllStandardError().constData();
}

} // namespace
