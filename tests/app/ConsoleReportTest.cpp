// The window-less report run as cron would run it, against simulated servers
// answered by this test's event loop on 127.0.0.1.
#include "ProcessRun.h"
#include "SimulatedServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace {

class ConsoleReportTest : public ::testing::Test
{
protected:
    ConsoleReportTest()
    {
        SimulatedServerConfig config;
        config.hostname = QStringLiteral("<script>alert(1)</script> & Friends");
        server = std::make_unique<SimulatedServer>(config);
        EXPECT_TRUE(server->start());
        server->addPlayer(SimulatedPlayer{QStringLiteral("\"><img src=x>"), 7, 40, 1});
        QDir(profile.path()).mkdir(QStringLiteral("pages"));
    }

    // A profile with the servers stored and checked, and the shipped template.
    void writeProfile(const QList<quint16> &ports, const QString &templatePath)
    {
        QByteArray ini = "[servers]\n";
        QByteArray checks;
        for (int n = 0; n < ports.size(); ++n) {
            const QByteArray k = QByteArray::number(n);
            ini += "ip[" + k + "]=127.0.0.1\nport[" + k + "]=" + QByteArray::number(ports[n]) + "\ndesc[" + k
                   + "]=server " + k + "\n";
            checks += k + ",";
        }
        ini += "[general]\nServerListChecks=" + checks + "\n[HTML]\ntemplate=" + templatePath.toUtf8()
               + "\noutputdir=" + pages().toUtf8() + "\noutput=%port-%name.html\nenabled=0\n";
        QFile file(profile.filePath(QStringLiteral("Quorvelin.ini")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini);
    }

    QString pages() const { return profile.filePath(QStringLiteral("pages")) + QLatin1Char('/'); }
    QStringList written() const { return QDir(pages()).entryList(QDir::Files, QDir::Name); }
    ProcessRun report()
    {
        return run(QStringLiteral(QUORVELIN_BINARY),
                   {QStringLiteral("--report"), QStringLiteral("--profile"), profile.path()});
    }

    QTemporaryDir profile;
    std::unique_ptr<SimulatedServer> server;
    const QString exampleTemplate = QStringLiteral(QUORVELIN_EXAMPLE_TEMPLATE);
};

TEST_F(ConsoleReportTest, WritesAPagePerCheckedServerWithTheServersTextEscaped)
{
    writeProfile({server->queryPort()}, exampleTemplate);
    const ProcessRun r = report();
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    ASSERT_EQ(written().size(), 1);
    const QString name = written().constFirst();
    EXPECT_FALSE(name.contains(QLatin1Char('/')));
    QFile page(pages() + name);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    EXPECT_TRUE(html.contains("&lt;script&gt;alert(1)&lt;/script&gt; &amp; Friends")) << html.left(2000).constData();
    EXPECT_FALSE(html.contains("<script>alert"));
    EXPECT_TRUE(html.contains("&quot;&gt;&lt;img src=x&gt;"));
    EXPECT_FALSE(html.contains("<%"));
}

TEST_F(ConsoleReportTest, ASilentServerGivesStatusTwoAndStillAPage)
{
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    writeProfile({server->queryPort(), probe.localPort()}, exampleTemplate);
    probe.close();
    const ProcessRun r = report();
    EXPECT_EQ(r.exitCode, 2) << r.err.constData();
    EXPECT_EQ(written().size(), 2);
}

TEST_F(ConsoleReportTest, AMissingTemplateOrABadArgumentGivesStatusOne)
{
    writeProfile({server->queryPort()}, profile.filePath(QStringLiteral("missing.html")));
    const ProcessRun missing = report();
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("template")) << missing.err.constData();
    EXPECT_TRUE(written().isEmpty());

    const ProcessRun bad =
        run(QStringLiteral(QUORVELIN_BINARY),
            {QStringLiteral("--report"), QStringLiteral("--server"), QStringLiteral("1.2.3.4:7778")});
    EXPECT_EQ(bad.exitCode, 1);
}

TEST_F(ConsoleReportTest, NoCheckedServerGivesStatusOneAndNamesTheSettingToChange)
{
    writeProfile({server->queryPort()}, exampleTemplate);
    QFile file(profile.filePath(QStringLiteral("Quorvelin.ini")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray ini = file.readAll().replace("ServerListChecks=0,", "ServerListChecks=");
    file.resize(0);
    file.write(ini);
    file.close();
    const ProcessRun r = report();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Remember server list checks")) << r.err.constData();
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(ConsoleReportTest, ALinkNamedLikeAPageIsLeftAloneAndSaysSo)
{
    writeProfile({server->queryPort()}, exampleTemplate);
    const ProcessRun first = report();
    ASSERT_EQ(first.exitCode, 0) << first.err.constData();
    ASSERT_EQ(written().size(), 1);
    const QString page = pages() + written().constFirst();
    const QString victim = profile.filePath(QStringLiteral("victim"));
    QFile(victim).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::remove(page));
    ASSERT_TRUE(QFile::link(victim, page));

    const ProcessRun r = report();
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("symbolic link")) << r.err.constData();
    EXPECT_EQ(QFileInfo(victim).size(), 0);
    EXPECT_TRUE(QFileInfo(page).isSymLink());
}

} // namespace
