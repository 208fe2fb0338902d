#pragma once

#include <QList>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QWidget;

// The "Server" menu of the main window and the server list's context menu,
// with their shortcuts. The window connects the actions to its commands.
struct MainMenus
{
    QAction *updateAllServers = nullptr;
    QAction *updateServerInfo = nullptr;
    QAction *deleteServer = nullptr;
    QAction *updateName = nullptr;
    QAction *importFromIni = nullptr;
    QAction *masterServer = nullptr;
    QAction *addServer = nullptr;
    QAction *findLanServers = nullptr;
    QAction *serverProperties = nullptr;
    QAction *joinServer = nullptr;
    QAction *exit = nullptr;
    QMenu *serverMenu = nullptr;
    // One checkable action per sort mode, its data the mode.
    QActionGroup *sortModes = nullptr;

    static MainMenus build(QMainWindow *window, QWidget *serverList);
};
