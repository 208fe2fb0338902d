#include "report/ReportRun.h"
#include "support/EventLoopWait.h"
#include "support/FakeEngineStack.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

class ReportRunTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    ReportRunTest()
    {
        // Same address and reported game port for b and c: they share a file.
        for (const auto &[name, port] : {std::pair{"a", 7778}, {"b", 7788}, {"c", 7798}}) {
            const int slot = table.addServer(u"10.0.0.%1"_s.arg(name == QByteArrayView("a") ? 1 : 2), port,
                                             QString::fromLatin1(name));
            table.server(slot)->HostName = name;
            table.server(slot)->HostPort = "7777";
        }
        writeTemplate("<%server_name%><%player_data%><%/player_data%>");
        run.setSettings(templatePath, u"%ip-%port.html"_s, out.path() + u'/', u"%progdir"_s);
        run.setPauseMs(20);
        QObject::connect(&run, &ReportRun::pageWritten, &run, [this](const QString &path) {
            written.append(QFileInfo(path).fileName() + u'=' + read(path));
        });
        QObject::connect(&run, &ReportRun::finished, &run, [this](int pages) { finishes.append(pages); });
        QObject::connect(&run, &ReportRun::failed, &run, [this](const QString &message) { failures.append(message); });
        QObject::connect(&run, &ReportRun::pageNotWritten, &run,
                         [this](const QString &message) { notWritten.append(message); });
    }

    void writeTemplate(const QByteArray &text)
    {
        QFile file(templatePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static QString read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }
    void check(std::initializer_list<int> positions)
    {
        for (const int position : positions)
            table.setChecked(position, true);
    }

    QTemporaryDir out;
    QTemporaryDir program;
    QString templatePath = out.filePath(u"template.html"_s);
    FakeDesktop desktop;
    ReportRun run{
        {table, desktop, desktop, [] { return QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)); }, program.path()}};
    QStringList written;
    QList<int> finishes;
    QStringList failures;
    QStringList notWritten;
};

TEST_F(ReportRunTest, PagesForCheckedServersInListOrderThenTheCommandOnce)
{
    table.sortServerList(ServerTable::NameDescending); // c, b, a
    check({0, 2});
    ASSERT_TRUE(run.runChecked());
    // The first page is written at once; the rest follow the pauses.
    EXPECT_EQ(written, QStringList{u"10.0.0.2-7777.html=c"_s});
    EXPECT_FALSE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !finishes.isEmpty(); }));
    EXPECT_EQ(written, (QStringList{u"10.0.0.2-7777.html=c"_s, u"10.0.0.1-7777.html=a"_s}));
    EXPECT_EQ(finishes, QList<int>{2});
    EXPECT_EQ(desktop.opened, QStringList{QUrl::fromLocalFile(program.path() + u'/').toString()});
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(ReportRunTest, TwoServersWritingOneFileLeaveTheLaterPage)
{
    check({0, 1, 2});
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !finishes.isEmpty(); }));
    EXPECT_EQ(read(out.filePath(u"10.0.0.2-7777.html"_s)), u"c"_s);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 3); // the template and two pages
}

TEST_F(ReportRunTest, CommandRunsWithNothingCheckedAndWithoutATemplate)
{
    run.setSettings(templatePath, u"%ip.html"_s, out.path() + u'/', u"https://example.org/%OUTPUTDIR"_s);
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !finishes.isEmpty(); }));
    EXPECT_EQ(desktop.opened.size(), 1);

    QFile::remove(templatePath);
    check({0});
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return finishes.size() == 2; }));
    EXPECT_EQ(finishes, (QList<int>{0, 0}));
    EXPECT_EQ(desktop.opened.size(), 2);
    EXPECT_TRUE(written.isEmpty());
}

TEST_F(ReportRunTest, ExecutableCommandIsStartedWithoutArguments)
{
    const QString script = program.filePath(u"upload"_s);
    QFile(script).open(QIODevice::WriteOnly);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
    run.setSettings(templatePath, u"%ip.html"_s, out.path() + u'/', u"%PROGDIR"_s + u"upload"_s);
    run.runOne(table.slotAt(0));
    EXPECT_EQ(written, QStringList{u"10.0.0.1.html=a"_s});
    ASSERT_EQ(desktop.started.size(), 1);
    EXPECT_EQ(desktop.started[0], QStringList{script});
    EXPECT_EQ(finishes, QList<int>{1});
}

TEST_F(ReportRunTest, ConversionErrorEndsTheRunWithoutTheCommand)
{
    table.server(table.slotAt(1))->NumPlayers = "lots";
    check({0, 1, 2});
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !failures.isEmpty(); }));
    runEventLoopFor(60);
    EXPECT_EQ(failures, QStringList{u"'lots' is not a valid integer value"_s});
    EXPECT_EQ(written, QStringList{u"10.0.0.1-7777.html=a"_s});
    EXPECT_TRUE(finishes.isEmpty());
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_FALSE(run.isRunning());
}

TEST_F(ReportRunTest, PageThatCannotBeWrittenIsSkippedAndSaysWhy)
{
    run.setSettings(templatePath, u"%ip/x.html"_s, out.path() + u'/', QString());
    check({0, 1});
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !finishes.isEmpty(); }));
    EXPECT_EQ(finishes, QList<int>{0});
    EXPECT_TRUE(failures.isEmpty());
    ASSERT_EQ(notWritten.size(), 2);
    EXPECT_TRUE(notWritten[0].contains(out.filePath(u"10.0.0.1/x.html"_s))) << notWritten[0].toStdString();
}

TEST_F(ReportRunTest, PagesAreNeverWrittenThroughALink)
{
    // Page names are easy to guess: a link named like one must not lead the page elsewhere.
    const QString victim = program.filePath(u"victim.html"_s);
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    ASSERT_TRUE(QFile::link(victim, out.filePath(u"10.0.0.1-7777.html"_s)));
    const QString nowhere = program.filePath(u"created.html"_s);
    ASSERT_TRUE(QFile::link(nowhere, out.filePath(u"10.0.0.2-7777.html"_s)));
    check({0, 1});
    ASSERT_TRUE(run.runChecked());
    ASSERT_TRUE(waitUntil([this] { return !finishes.isEmpty(); }));
    run.runOne(table.slotAt(0));

    EXPECT_EQ(read(victim), u"keep"_s);
    EXPECT_FALSE(QFileInfo::exists(nowhere));
    EXPECT_TRUE(QFileInfo(out.filePath(u"10.0.0.1-7777.html"_s)).isSymLink());
    EXPECT_TRUE(QFileInfo(out.filePath(u"10.0.0.2-7777.html"_s)).isSymLink());
    EXPECT_TRUE(written.isEmpty());
    EXPECT_EQ(finishes, (QList<int>{0, 0}));
    ASSERT_EQ(notWritten.size(), 3);
    for (const QString &message : std::as_const(notWritten))
        EXPECT_TRUE(message.contains(u"symbolic link"_s)) << message.toStdString();
    EXPECT_TRUE(notWritten[1].contains(out.filePath(u"10.0.0.2-7777.html"_s))) << notWritten[1].toStdString();
    // The template and the two links; no temporary file is left.
    const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(out.path()).entryList(everything).size(), 3);

    // Nor through a linked directory below the output directory.
    ASSERT_TRUE(QFile::link(program.path(), out.filePath(u"sub"_s)));
    run.setSettings(templatePath, u"sub/%ip.html"_s, out.path() + u'/', QString());
    run.runOne(table.slotAt(0));
    EXPECT_FALSE(QFileInfo::exists(program.filePath(u"10.0.0.1.html"_s)));
    ASSERT_EQ(notWritten.size(), 4);
    EXPECT_TRUE(notWritten[3].contains(u"symbolic link"_s)) << notWritten[3].toStdString();
}

TEST_F(ReportRunTest, AMissingTemplateIsNamedWithTheSettingToChange)
{
    EXPECT_TRUE(run.missingTemplateMessage().isEmpty());
    QFile::remove(templatePath);
    EXPECT_TRUE(run.missingTemplateMessage().contains(templatePath));
    run.setSettings(QString(), u"%ip.html"_s, out.path() + u'/', QString());
    EXPECT_TRUE(run.missingTemplateMessage().contains(u"HTML Template"_s));
}

} // namespace
