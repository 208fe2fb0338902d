// "Create HTML Page" and the periodic pages through the window: what the
// user is told when a page is written, when it cannot be, and when there is
// no template to write it from.
#include "config/ConfigFile.h"
#include "config/Settings.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "support/EventLoopWait.h"
#include "support/MainWindowParts.h"
#include "support/WindowContext.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ReportCommandsTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    ReportCommandsTest()
    {
        QFile file(profile.filePath(QStringLiteral("t.html")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<p><%server_name%></p>\n");
        settings.HtmlOutputDir = pages.path() + QLatin1Char('/');
    }

    // The window with one server that has answered, selected.
    void open()
    {
        window =
            std::make_unique<MainWindow>(windowContext(*this, config, settings, profile.path(), desktop.services()));
        table.addServer(QStringLiteral("127.0.0.1"), 7778, QStringLiteral("Frag Zone"));
        socket.deliver("\\hostname\\Frag Zone\\hostport\\7777\\numplayers\\0\\final\\", QStringLiteral("127.0.0.1"),
                       7778);
        window->show();
        serverList(*window)->setCurrentIndex(table.index(0));
    }

    // "Create HTML Page" from the Server menu.
    void createPage()
    {
        auto *action = window->findChild<QAction *>(QStringLiteral("mi_CreateHTMLPage"));
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }

    QString statusText() const
    {
        QStringList texts;
        for (const QLabel *label : window->statusBar()->findChildren<QLabel *>())
            texts.append(label->text());
        return texts.join(QLatin1Char('\n'));
    }

    QString templatePath() const { return profile.filePath(QStringLiteral("t.html")); }
    QString pagePath() const { return pages.filePath(QStringLiteral("127.0.0.1-7777.html")); }

    QTemporaryDir profile;
    QTemporaryDir pages;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    FakeDesktop desktop;
    Settings settings;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ReportCommandsTest, AWrittenPageIsNamedInTheStatusBar)
{
    settings.HtmlTemplate = templatePath();
    open();
    createPage();
    ASSERT_TRUE(QFileInfo(pagePath()).isFile());
    EXPECT_TRUE(statusText().contains(pagePath())) << statusText().toStdString();
    EXPECT_TRUE(platform.messages.warnings.isEmpty());
    EXPECT_TRUE(platform.messages.errors.isEmpty());
}

TEST_F(ReportCommandsTest, WithoutATemplateABoxSaysWhichSettingToChange)
{
    open();
    createPage();
    ASSERT_EQ(platform.messages.warnings.size(), 1);
    EXPECT_TRUE(platform.messages.warnings[0].contains(QStringLiteral("\"HTML Template\"")))
        << platform.messages.warnings[0].toStdString();
    EXPECT_TRUE(platform.messages.warnings[0].contains(QStringLiteral("\"HTML output\"")));
    EXPECT_FALSE(QFileInfo::exists(pagePath()));
}

TEST_F(ReportCommandsTest, ATemplateThatHasGoneIsNamed)
{
    settings.HtmlTemplate = profile.filePath(QStringLiteral("gone.html"));
    open();
    createPage();
    ASSERT_EQ(platform.messages.warnings.size(), 1);
    EXPECT_TRUE(platform.messages.warnings[0].contains(settings.HtmlTemplate));
}

TEST_F(ReportCommandsTest, PeriodicPagesWithoutATemplateSayItInTheStatusBar)
{
    settings.HtmlEnabled = true;
    settings.HtmlInterval = 1;
    open();
    table.setChecked(0, true);
    ASSERT_TRUE(waitUntil([this] { return statusText().contains(QStringLiteral("HTML Template")); }))
        << statusText().toStdString();
    // No box every interval.
    EXPECT_TRUE(platform.messages.warnings.isEmpty());
}

TEST_F(ReportCommandsTest, APageNamedLikeALinkIsNotWrittenThroughItAndABoxSaysSo)
{
    settings.HtmlTemplate = templatePath();
    const QString victim = profile.filePath(QStringLiteral("notes.txt"));
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[general]\n");
    }
    ASSERT_TRUE(QFile::link(victim, pagePath()));
    open();
    createPage();
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[general]\n");
    EXPECT_TRUE(QFileInfo(pagePath()).isSymLink());
    ASSERT_EQ(platform.messages.warnings.size(), 1);
    EXPECT_TRUE(platform.messages.warnings[0].contains(QStringLiteral("symbolic link")))
        << platform.messages.warnings[0].toStdString();
    EXPECT_TRUE(platform.messages.warnings[0].contains(pagePath()));
}

} // namespace
