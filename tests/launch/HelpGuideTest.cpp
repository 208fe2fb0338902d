// The user guide (help/index.html of the source tree) read against the
// running window: every command of its menus is named, with its default key
// where the guide lists the menus; every page and every settings page has its
// heading, and a settings page's part of the guide names that page's controls.
#include "config/ConfigFile.h"
#include "core/ProgramVersion.h"
#include "mainwindow/MainWindow.h"
#include "support/FakeEngineStack.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString sourceFile(const char *relativePath)
{
    QFile file(QStringLiteral(QUORVELIN_SOURCE_DIR "/") + QString::fromLatin1(relativePath));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << relativePath;
    return QString::fromUtf8(file.readAll());
}

// What a reader sees of a piece of the page: no tags, entities decoded, blanks folded.
QString plainText(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
}

// A caption as the guide writes it: no mnemonic, no trailing dots, no colon.
QString commandName(QString caption)
{
    caption.remove(QLatin1Char('&'));
    caption = caption.trimmed();
    for (const QString &tail : {QStringLiteral("..."), QStringLiteral("\u2026"), QStringLiteral(":")}) {
        if (caption.endsWith(tail))
            caption.chop(tail.size());
    }
    return caption.trimmed();
}

// A key as the guide spells it.
QString keyName(const QKeySequence &shortcut)
{
    return shortcut.toString(QKeySequence::PortableText).replace(QStringLiteral("Return"), QStringLiteral("Enter"));
}

// The guide from the heading with this id to the next heading of its level or above.
QString section(const QString &html, const QString &id)
{
    const QRegularExpressionMatch heading =
        QRegularExpression(QStringLiteral("<h([1-6])[^>]*\\bid=\"%1\"").arg(id)).match(html);
    if (!heading.hasMatch())
        return {};
    const QRegularExpression next(QStringLiteral("<h[1-%1][\\s>]").arg(heading.captured(1)));
    const qsizetype end = html.indexOf(next, heading.capturedEnd());
    return html.mid(heading.capturedStart(), end < 0 ? -1 : end - heading.capturedStart());
}

// The text of each h3 heading in a piece of the guide, and where its part of the guide begins.
QList<std::pair<QString, qsizetype>> subheadings(const QString &html)
{
    QList<std::pair<QString, qsizetype>> found;
    const QRegularExpression h3(QStringLiteral("<h3[^>]*>(.*?)</h3>"), QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch &match : h3.globalMatch(html))
        found.append({plainText(match.captured(1)), match.capturedStart()});
    return found;
}

// What a stretch of the guide holds under the h3 heading of this text.
QString subsection(const QString &html, const QString &title)
{
    for (const auto &[text, start] : subheadings(html)) {
        if (text != title)
            continue;
        const qsizetype end = html.indexOf(QRegularExpression(QStringLiteral("<h[1-3][\\s>]")), start + 3);
        return html.mid(start, end < 0 ? -1 : end - start);
    }
    return {};
}

QStringList headingTexts(const QString &html)
{
    QStringList texts;
    for (const auto &[text, start] : subheadings(html))
        texts.append(text);
    texts.sort();
    return texts;
}

// A table row of the guide's menus: the command and the cell of its key.
struct CommandRow
{
    QString command;
    QString keyCell;
};

QList<CommandRow> commandRows(const QString &html)
{
    QList<CommandRow> rows;
    const QRegularExpression row(QStringLiteral("<tr>(.*?)</tr>"), QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression cell(QStringLiteral("<td[^>]*>(.*?)</td>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    for (const QRegularExpressionMatch &match : row.globalMatch(html)) {
        QStringList cells;
        for (const QRegularExpressionMatch &c : cell.globalMatch(match.captured(1)))
            cells.append(c.captured(1));
        if (cells.size() >= 2)
            rows.append({commandName(plainText(cells[0])), cells[1]});
    }
    return rows;
}

// The actions and, through their submenus, the actions under them.
void collectCommands(const QList<QAction *> &actions, QList<QAction *> &commands)
{
    for (QAction *action : actions) {
        if (action->isSeparator())
            continue;
        commands.append(action);
        if (QMenu *menu = action->menu())
            collectCommands(menu->actions(), commands);
    }
}

class HelpGuideTest : public ::testing::Test, protected FakeEngineStack
{
protected:
    HelpGuideTest()
        : FakeEngineStack(true) // with the debug page
    {
        window = std::make_unique<MainWindow>(
            MainWindow::Context{stack, platform.messages, platform.files, config, Settings{}, profile.path()});
    }

    // Every row of "Menus and keys" that names the command gives its key,
    // and there is at least one.
    void expectListedWithKey(const QAction *action) const
    {
        const QString name = commandName(action->text());
        const QString key = action->shortcut().isEmpty() ? QString() : keyName(action->shortcut());
        int listed = 0;
        for (const CommandRow &row : commandRows(section(guide, QStringLiteral("menus")))) {
            if (row.command != name)
                continue;
            ++listed;
            if (key.isEmpty()) {
                EXPECT_FALSE(row.keyCell.contains(QLatin1String("<kbd>")))
                    << qPrintable(name) << " has no key, the guide gives " << qPrintable(plainText(row.keyCell));
            } else {
                const QString shown = plainText(row.keyCell);
                EXPECT_TRUE(shown == key || shown.startsWith(key + QLatin1Char(' ')))
                    << qPrintable(name) << ": " << qPrintable(key) << ", the guide gives " << qPrintable(shown);
            }
        }
        EXPECT_GT(listed, 0) << qPrintable(name) << " is not listed in Menus and keys";
    }

    QTemporaryDir profile;
    ConfigFile config{profile.filePath(QStringLiteral("Quorvelin.ini")), platform.messages};
    std::unique_ptr<MainWindow> window;
    const QString guide = sourceFile("help/index.html");
};

} // namespace

TEST_F(HelpGuideTest, MenuAndServerListCommandsAreListedWithTheirDefaultKeys)
{
    QList<QAction *> commands;
    for (QAction *menu : window->menuBar()->actions()) {
        ASSERT_NE(menu->menu(), nullptr);
        collectCommands(menu->menu()->actions(), commands);
    }
    auto *serverList = window->findChild<QWidget *>(QStringLiteral("clb_Servers"));
    ASSERT_NE(serverList, nullptr);
    collectCommands(serverList->actions(), commands);
    // Join, refresh, find, properties, delete, name, import, sort and its
    // orders, HTML page, options, exit; help, readme, history, links and its
    // sites, version check, about.
    ASSERT_GE(commands.size(), 30);
    for (const QAction *action : std::as_const(commands))
        expectListedWithKey(action);
}

TEST_F(HelpGuideTest, EveryCommandOfTheWindowIsNamedAndAnyKeyListed)
{
    const QString text = plainText(guide);
    int named = 0;
    for (const QAction *action : window->findChildren<QAction *>()) {
        // A disabled entry heads a menu with the chosen player's name.
        if (action->isSeparator() || !action->isEnabled() || commandName(action->text()).isEmpty())
            continue;
        ++named;
        EXPECT_TRUE(text.contains(commandName(action->text()))) << qPrintable(action->text());
        if (!action->shortcut().isEmpty())
            expectListedWithKey(action);
    }
    EXPECT_GE(named, 50);
}

TEST_F(HelpGuideTest, EveryPageOfTheSelectedServerHasItsHeading)
{
    auto *pages = window->findChild<QTabWidget *>(QStringLiteral("pc_ServerPages"));
    ASSERT_NE(pages, nullptr);
    QStringList tabs;
    for (int i = 0; i < pages->count(); ++i)
        tabs.append(commandName(pages->tabText(i)));
    tabs.sort();
    EXPECT_TRUE(tabs.contains(QStringLiteral("debug")));
    EXPECT_EQ(headingTexts(section(guide, QStringLiteral("pages"))), tabs);
}

TEST_F(HelpGuideTest, EverySettingsPageHasItsHeadingNamingItsControls)
{
    QAction *options = window->findChild<QAction *>(QStringLiteral("mi_Programoptions1"));
    ASSERT_NE(options, nullptr);
    options->trigger();
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("Tfrm_Settings"));
    ASSERT_NE(dialog, nullptr);
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tv_Pages"));
    auto *pageStack = dialog->findChild<QStackedWidget *>(QStringLiteral("pc_Settings"));
    ASSERT_NE(tree, nullptr);
    ASSERT_NE(pageStack, nullptr);

    const QString settings = section(guide, QStringLiteral("settings"));
    QStringList names;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = tree->topLevelItem(i);
        const QString name = item->text(0);
        names.append(name);
        const QString part = plainText(subsection(settings, name));
        ASSERT_FALSE(part.isEmpty()) << "no heading " << qPrintable(name);
        QWidget *page = pageStack->widget(item->data(0, Qt::UserRole).toInt());
        ASSERT_NE(page, nullptr) << qPrintable(name);

        QStringList captions;
        for (const QLabel *label : page->findChildren<QLabel *>()) {
            if (label->buddy())
                captions.append(label->text());
        }
        for (const QCheckBox *box : page->findChildren<QCheckBox *>())
            captions.append(box->text());
        for (const QGroupBox *group : page->findChildren<QGroupBox *>())
            captions.append(group->title());
        // The Hot Keys page lists the commands whose keys it changes.
        for (const QTreeWidget *list : page->findChildren<QTreeWidget *>()) {
            for (int row = 0; row < list->topLevelItemCount(); ++row)
                captions.append(list->topLevelItem(row)->text(0));
        }
        for (const QString &caption : std::as_const(captions))
            EXPECT_TRUE(part.contains(commandName(caption))) << qPrintable(name) << ": " << qPrintable(caption);
    }
    EXPECT_EQ(names.size(), 9);
    names.sort();
    EXPECT_EQ(headingTexts(settings), names);
}

TEST(HelpTextsTest, GuideReadmeAndVersionHistoryNameThisRelease)
{
    const int release = ProgramVersion::kCurrent;
    const QString version = QStringLiteral("%1.%2").arg(release / 100).arg(release % 100, 2, 10, QLatin1Char('0'));

    EXPECT_TRUE(
        sourceFile("help/index.html").contains(QStringLiteral("version %1 (release %2)").arg(version).arg(release)));
    EXPECT_TRUE(sourceFile("readme.txt").startsWith(QStringLiteral("Quorvelin ") + version + QLatin1Char('\n')));
    // The newest entry comes first.
    const QRegularExpressionMatch first =
        QRegularExpression(QStringLiteral("^version (\\d+) \\((.*)\\)$"), QRegularExpression::MultilineOption)
            .match(sourceFile("version.txt"));
    ASSERT_TRUE(first.hasMatch());
    EXPECT_EQ(first.captured(1).toInt(), release);
    EXPECT_EQ(first.captured(2), version);
}
