#include "SimulatedVersionService.h"
#include "core/ProgramVersion.h"
#include "launch/VersionAnswer.h"
#include "launch/VersionCheck.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Mode = SimulatedVersionService::Mode;

const QString DownloadAddress = QStringLiteral("https://quorvelin.example/download/");

TEST(VersionAnswerTest, ReadsTheLastThreeLines)
{
    const struct
    {
        const char *answer;
        bool complete;
        bool hasVersion;
        const char *address;
        const char *version;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\n<html></html>\r\n \t<!-- KORVANDEL VERSION DATABASE\t \r\nhttp://a/\r\n170", true,
         true, "http://a/", "170"},
        {"<!-- korvandel version database\r\nhttp://a/\r\n170", true, false, "", ""},
        {"<!-- KORVANDEL VERSION DATABASE\r\nhttp://a/\r\n[error]", true, true, "http://a/", "[error]"},
        {"<!-- KORVANDEL VERSION DATABASE\r\nhttp://a/\r\nsoon", true, true, "http://a/", "soon"},
        {"http://a/\r\n170", false, false, "", ""},
        {"", false, false, "", ""},
        {"x\r<!-- KORVANDEL VERSION DATABASE\rhttp://a/\r171", true, true, "http://a/", "171"},
        {"x\n<!-- KORVANDEL VERSION DATABASE\nhttp://a/\n172", true, true, "http://a/", "172"},
        // A final line break adds no line; CR LF is one break, an empty line between is a line.
        {"<!-- KORVANDEL VERSION DATABASE\r\nhttp://a/\r\n173\r\n", true, true, "http://a/", "173"},
        {"<!-- KORVANDEL VERSION DATABASE\r\n\r\n174", true, true, "", "174"},
        {"<!-- KORVANDEL VERSION DATABASE\r\nhttp://a/\r\n175\r\n\r\n", true, false, "", ""},
        {"<!-- KORVANDEL VERSION DATABASE\r\n\r\n", false, false, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        const VersionAnswer::Answer answer = VersionAnswer::parse(c.answer);
        EXPECT_EQ(answer.complete, c.complete);
        EXPECT_EQ(answer.hasVersion, c.hasVersion);
        EXPECT_EQ(answer.address, QString::fromLatin1(c.address));
        EXPECT_EQ(answer.version, QString::fromLatin1(c.version));
    }
    EXPECT_EQ(VersionAnswer::versionNumber(QStringLiteral("170")), 170);
    EXPECT_EQ(VersionAnswer::versionNumber(QStringLiteral("soon")), 0);
    EXPECT_EQ(VersionAnswer::request(), QByteArray("GET /getversion_2.php?program=quorvelin HTTP/1.0\r\n\r\n"));
}

TEST(VersionAnswerTest, OpensOnlyWebAddressesWithAHost)
{
    EXPECT_TRUE(VersionAnswer::isDownloadAddress(QStringLiteral("http://quorvelin.example/download/")));
    EXPECT_TRUE(VersionAnswer::isDownloadAddress(QStringLiteral("HTTPS://quorvelin.example/")));
    EXPECT_FALSE(VersionAnswer::isDownloadAddress(QStringLiteral("ftp://quorvelin.example/")));
    EXPECT_FALSE(VersionAnswer::isDownloadAddress(QStringLiteral("javascript:alert(1)")));
    EXPECT_FALSE(VersionAnswer::isDownloadAddress(QString()));
    EXPECT_FALSE(VersionAnswer::isDownloadAddress(QStringLiteral("http://")));
    EXPECT_FALSE(VersionAnswer::isDownloadAddress(QStringLiteral("file:///etc/passwd")));
}

// Two simulated version hosts on 127.0.0.1, a check against them, and what it said.
class VersionCheckTest : public ::testing::Test
{
protected:
    void startHosts(Mode firstMode, Mode secondMode, const QByteArray &version = "170")
    {
        first = startHost(firstMode, version);
        second = startHost(secondMode, version);
    }

    std::unique_ptr<SimulatedVersionService> startHost(Mode mode, const QByteArray &version)
    {
        SimulatedVersionService::Config config;
        config.mode = mode;
        config.version = version;
        auto host = std::make_unique<SimulatedVersionService>(config);
        EXPECT_TRUE(host->listen());
        return host;
    }

    void makeCheck(int lastVersionChecked, const QStringList &hosts = {})
    {
        check = std::make_unique<VersionCheck>(hosts.isEmpty() ? QStringList{entry(*first), entry(*second)} : hosts,
                                               lastVersionChecked);
        QObject::connect(check.get(), &VersionCheck::newerVersion, check.get(),
                         [this](const QString &version, const QString &address) {
                             said.append(QStringLiteral("newer %1 %2").arg(version, address));
                         });
        QObject::connect(check.get(), &VersionCheck::latestRunning, check.get(),
                         [this](const QString &version) { said.append(QStringLiteral("latest ") + version); });
        QObject::connect(check.get(), &VersionCheck::unavailable, check.get(),
                         [this] { said.append(QStringLiteral("unavailable")); });
    }

    static QString entry(const SimulatedVersionService &host)
    {
        return QStringLiteral("127.0.0.1:%1").arg(host.port());
    }

    qsizetype requestCount() const { return first->requests().size() + second->requests().size(); }

    // Runs one manual check to its signal.
    QStringList manualCheck()
    {
        said.clear();
        check->checkNow();
        EXPECT_TRUE(waitUntil([this] { return !said.isEmpty(); }, 5000));
        return said;
    }

    // Runs the automatic check to its end, which may be silent.
    QStringList automaticCheck()
    {
        said.clear();
        const qsizetype before = requestCount();
        check->armStartUpCheck(true, 50);
        EXPECT_TRUE(waitUntil([&] { return requestCount() > before && !check->isRunning(); }, 5000));
        return said;
    }

    std::unique_ptr<SimulatedVersionService> first;
    std::unique_ptr<SimulatedVersionService> second;
    std::unique_ptr<VersionCheck> check;
    QStringList said;
};

TEST_F(VersionCheckTest, TheLatestVersionRunningIsToldOnlyWhenAsked)
{
    startHosts(Mode::Normal, Mode::Normal, "166");
    makeCheck(ProgramVersion::kCurrent);
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("latest 166")});
    EXPECT_EQ(automaticCheck(), QStringList());
    EXPECT_FALSE(check->isStartUpCheckArmed());
    EXPECT_EQ(first->requests(), (QList<QByteArray>{VersionAnswer::request(), VersionAnswer::request()}));
    EXPECT_TRUE(second->requests().isEmpty());
}

TEST_F(VersionCheckTest, ANewerVersionIsAnnouncedOnceAutomaticallyAndWheneverAsked)
{
    startHosts(Mode::PaddedMarker, Mode::Normal);
    const QStringList announced{QStringLiteral("newer 170 ") + DownloadAddress};
    makeCheck(ProgramVersion::kCurrent);
    EXPECT_EQ(automaticCheck(), announced);
    EXPECT_EQ(check->lastVersionChecked(), 170);
    EXPECT_EQ(automaticCheck(), QStringList());
    EXPECT_EQ(manualCheck(), announced);

    makeCheck(ProgramVersion::kCurrent);
    EXPECT_EQ(manualCheck(), announced);
    // Any change of the latest version is announced when it is newer, and remembered either way.
    makeCheck(180);
    EXPECT_EQ(automaticCheck(), announced);
    first->setConfig({"150", DownloadAddress.toLatin1(), Mode::Normal});
    EXPECT_EQ(automaticCheck(), QStringList());
    EXPECT_EQ(check->lastVersionChecked(), 150);
    first->setConfig({"soon", DownloadAddress.toLatin1(), Mode::Normal});
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("latest soon")});
    EXPECT_EQ(check->lastVersionChecked(), 0);
    EXPECT_TRUE(second->requests().isEmpty());
}

TEST_F(VersionCheckTest, AnErrorOrAShortAnswerFromTheFirstHostAsksTheSecond)
{
    for (const Mode firstMode : {Mode::Error, Mode::NoMarker, Mode::TwoLines}) {
        startHosts(firstMode, Mode::Normal);
        makeCheck(ProgramVersion::kCurrent);
        EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("newer 170 ") + DownloadAddress});
        EXPECT_EQ(first->requests().size(), 1);
        EXPECT_EQ(second->requests(), QList<QByteArray>{VersionAnswer::request()});
        // The next check begins with the host that answered; 170 is announced already.
        EXPECT_EQ(check->hostIndex(), 1);
        EXPECT_EQ(automaticCheck(), QStringList());
        EXPECT_EQ(first->requests().size(), 1);
        EXPECT_EQ(second->requests().size(), 2);
    }
}

TEST_F(VersionCheckTest, UnreachableAndUnusableFirstHostsHandOverToTheSecond)
{
    startHosts(Mode::Refuse, Mode::Normal);
    const QStringList announced{QStringLiteral("newer 170 ") + DownloadAddress};
    const QString secondEntry = entry(*second);
    for (const QString &firstEntry :
         {entry(*first), QString(), QStringLiteral("127.0.0.1:0"), QStringLiteral("127.0.0.1:port")}) {
        SCOPED_TRACE(firstEntry.toStdString());
        makeCheck(ProgramVersion::kCurrent, {firstEntry, secondEntry});
        EXPECT_EQ(manualCheck(), announced);
        EXPECT_EQ(check->hostIndex(), 1);
    }
}

TEST_F(VersionCheckTest, WhenBothHostsFailOnlyTheManualCheckSaysSo)
{
    startHosts(Mode::Error, Mode::NoMarker);
    makeCheck(ProgramVersion::kCurrent);
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("unavailable")});
    EXPECT_EQ(check->hostIndex(), 0);
    EXPECT_EQ(automaticCheck(), QStringList());
    EXPECT_EQ(check->hostIndex(), 0);
    EXPECT_EQ(first->requests().size(), 2);
    EXPECT_EQ(second->requests().size(), 2);
    EXPECT_EQ(check->lastVersionChecked(), ProgramVersion::kCurrent);
}

TEST_F(VersionCheckTest, HostsThatNeverCloseOrSendTooMuchCountAsFailed)
{
    startHosts(Mode::NeverClose, Mode::Silent);
    makeCheck(ProgramVersion::kCurrent);
    check->setLimits({256 * 1024, 300});
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("unavailable")});
    EXPECT_EQ(second->requests().size(), 1);

    second->setConfig({"170", DownloadAddress.toLatin1(), Mode::Normal});
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("newer 170 ") + DownloadAddress});

    // This check begins with the second host, the one that answered last.
    check->setLimits({64, 5000});
    EXPECT_EQ(manualCheck(), QStringList{QStringLiteral("unavailable")});
    EXPECT_EQ(first->requests().size(), 2);
    EXPECT_EQ(second->requests().size(), 3);
}

TEST_F(VersionCheckTest, TheManualCheckReplacesTheArmedAndTheRunningCheck)
{
    startHosts(Mode::Normal, Mode::Normal, "166");
    makeCheck(ProgramVersion::kCurrent);
    check->armStartUpCheck(true, 50);
    EXPECT_TRUE(check->isStartUpCheckArmed());
    check->checkNow();
    EXPECT_FALSE(check->isStartUpCheckArmed());
    check->checkNow();
    ASSERT_TRUE(waitUntil([this] { return !said.isEmpty(); }, 5000));
    runEventLoopFor(200);
    EXPECT_EQ(said, QStringList{QStringLiteral("latest 166")});
    EXPECT_EQ(first->requests().size(), 1);

    check->armStartUpCheck(true, 50);
    check->armStartUpCheck(false);
    EXPECT_FALSE(check->isStartUpCheckArmed());
}

TEST_F(VersionCheckTest, NothingIsSaidAfterStop)
{
    // Without the stop the first host would time out and the second announce 170.
    startHosts(Mode::NeverClose, Mode::Normal);
    makeCheck(ProgramVersion::kCurrent);
    check->setLimits({256 * 1024, 100});
    check->checkNow();
    ASSERT_TRUE(waitUntil([this] { return !first->requests().isEmpty(); }, 5000));
    check->stop();
    check->armStartUpCheck(true, 50);
    check->stop();
    runEventLoopFor(300);
    EXPECT_TRUE(said.isEmpty());
    EXPECT_FALSE(check->isRunning());
    EXPECT_FALSE(check->isStartUpCheckArmed());
    EXPECT_TRUE(second->requests().isEmpty());
}

} // namespace
