#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, all painted in code so they stay sharp at any size
// and device pixel ratio. Results are cached for the life of the process;
// call only from the GUI thread, after a QGuiApplication exists.
namespace IconFactory {

// The tray swaps between these; the blink alternates TrayResting with one of
// the three signal icons.
enum TrayIcon : int {
    TrayResting = 0,       // same picture as applicationIcon()
    TrayNoData = 1,        // greyed out: nothing known yet
    TrayPlayersJoined = 2, // green "+" badge
    TrayPlayersLeft = 3,   // red "-" badge
    TrayBuddyJoined = 4,   // gold star badge
    TrayInfo = 5,          // blue "i" badge
    TrayWarning = 6,       // orange "!" triangle badge
    TrayIconCount = 7
};

// Radar scope in a dark rounded square; pixmaps at 16, 22, 24, 32, 48, 64, 128
// and 256 px.
QIcon applicationIcon();

// One of the TrayIcon pictures; anything out of range gives TrayResting.
// Pixmaps at 16, 22, 24, 32, 48 and 64 px.
QIcon trayIcon(int index);

// The start-up picture, 350 x 263 logical pixels. The bottom 30 px are kept
// plain because the progress line is written over them.
QPixmap splashPicture(qreal devicePixelRatio = 1.0);

} // namespace IconFactory
