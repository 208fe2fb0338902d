#include "MainMenus.h"

#include "core/ServerTable.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

const char *const kSortCaptions[] = {
    "Sort by name (ascending)",
    "Sort by name (descending)",
    "Sort by current players (ascending)",
    "Sort by current players (descending)",
    "Sort by maximum players (ascending)",
    "Sort by maximum players (descending)",
    "Sort by ping (ascending)",
    "Sort by ping (descending)",
};
static_assert(std::size(kSortCaptions) == ServerTable::SortModeCount);

QAction *newAction(QMainWindow *window, const char *caption, const char *name, const QKeySequence &shortcut = {})
{
    auto *action = new QAction(QString::fromLatin1(caption), window);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

} // namespace

MainMenus MainMenus::build(QMainWindow *window, QWidget *serverList)
{
    MainMenus menus;
    menus.updateAllServers =
        newAction(window, "Update all servers", "mi_UpdateAllServers", QKeySequence(Qt::SHIFT | Qt::Key_F5));
    menus.updateServerInfo = newAction(window, "Update server info", "mi_UpdateServerInfo", QKeySequence(Qt::Key_F5));
    menus.deleteServer = newAction(window, "Delete server", "mi_Deleteserver", QKeySequence(Qt::Key_Delete));
    // Del deletes only from the server list; elsewhere the key belongs to the focused control.
    menus.deleteServer->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    menus.updateName = newAction(window, "Update server name", "mi_UpdateName");
    menus.importFromIni = newAction(window, "Import from ini", "mi_ImportFromIni", QKeySequence(Qt::CTRL | Qt::Key_I));
    menus.exit = newAction(window, "Exit", "mi_Exit");
    menus.masterServer =
        newAction(window, "Retreive from master server", "mi_MasterServer", QKeySequence(Qt::CTRL | Qt::Key_M));
    menus.addServer = newAction(window, "Add server", "mi_Addserver1", QKeySequence(Qt::CTRL | Qt::Key_A));
    menus.findLanServers =
        newAction(window, "Find LAN servers", "mi_FindLANServers", QKeySequence(Qt::CTRL | Qt::Key_F));
    menus.serverProperties =
        newAction(window, "Server properties", "mi_Serverproperties1", QKeySequence(Qt::ALT | Qt::Key_Return));
    menus.joinServer = newAction(window, "Join Server", "mi_JoinServer");

    auto *sortMenu = new QMenu(QStringLiteral("Sort server list"), window);
    menus.sortModes = new QActionGroup(window);
    menus.sortModes->setExclusive(true);
    for (int mode = 0; mode < ServerTable::SortModeCount; ++mode) {
        QAction *sort = sortMenu->addAction(QString::fromLatin1(kSortCaptions[mode]));
        sort->setCheckable(true);
        sort->setData(mode);
        menus.sortModes->addAction(sort);
    }

    QMenu *serverMenu = window->menuBar()->addMenu(QStringLiteral("&Server"));
    menus.serverMenu = serverMenu;
    serverMenu->addAction(menus.joinServer);
    serverMenu->addSeparator();
    serverMenu->addAction(menus.updateAllServers);
    serverMenu->addAction(menus.updateServerInfo);
    serverMenu->addSeparator();
    serverMenu->addAction(menus.addServer);
    serverMenu->addAction(menus.findLanServers);
    serverMenu->addAction(menus.masterServer);
    serverMenu->addAction(menus.serverProperties);
    serverMenu->addSeparator();
    serverMenu->addAction(menus.deleteServer);
    serverMenu->addAction(menus.updateName);
    serverMenu->addAction(menus.importFromIni);
    serverMenu->addMenu(sortMenu);
    serverMenu->addSeparator();
    serverMenu->addAction(menus.exit);

    // The context menu shares the menu's actions, so each command has one
    // shortcut, shown in both menus; two actions with one key would silence it.
    serverList->addActions({menus.joinServer, menus.updateAllServers, menus.updateServerInfo, menus.addServer,
                            menus.serverProperties, menus.deleteServer, menus.updateName, sortMenu->menuAction()});
    return menus;
}
