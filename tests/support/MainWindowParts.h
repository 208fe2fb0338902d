#pragma once

#include "WindowParts.h"
#include "core/Poller.h"
#include "mainwindow/DebugPage.h"
#include "mainwindow/PlayersView.h"
#include "mainwindow/ScorePage.h"
#include "mainwindow/ServerInfoView.h"
#include "mainwindow/ServerListView.h"
#include "mainwindow/ServerPages.h"
#include "mainwindow/TeamScoreStrip.h"

#include <QPlainTextEdit>

// The main window's views by their object names.
// clang-format off
inline ServerListView *serverList(const QWidget &window) { return part<ServerListView>(window, "clb_Servers"); }
inline ServerPages *pages(const QWidget &window) { return part<ServerPages>(window, "pc_ServerPages"); }
inline ServerInfoView *serverInfoView(const QWidget &window) { return part<ServerInfoView>(window, "lv_ServerInfo"); }
inline PlayersView *playersView(const QWidget &window) { return part<PlayersView>(window, "lv_Players"); }
inline ScorePage *scorePage(const QWidget &window) { return part<ScorePage>(window, "ts_Score"); }
inline TeamScoreStrip *playersTeamStrip(const QWidget &window) { return part<TeamScoreStrip>(window, "pbx_TeamScore"); }
inline DebugPage *debugPage(const QWidget &window) { return part<DebugPage>(window, "ts_Debug"); }
inline QPlainTextEdit *debugMemo(const QWidget &window) { return part<QPlainTextEdit>(window, "mm_Debug"); }
// clang-format on

// What asks the servers when: its timers follow the sliders and switches.
inline Poller &poller(const QWidget &window)
{
    return part<Poller>(window);
}
