#pragma once

#include <QLine>
#include <QList>
#include <QRect>
#include <QString>

#include <array>

namespace PlayerRows {
struct Row;
}

// Where the score graph's bars, the team strip's boxes and their frames go.
// Colours are platform colour values: red + 256 x green + 65536 x blue.
namespace ScoreGraphLayout {

constexpr int kPaletteSize = 50;
std::array<quint32, kPaletteSize> BarPalette();
quint32 teamColor(int team);

struct Bar
{
    QRect rect; // from the left edge and the score's height down to the baseline
    int score = 0;
    QString name;
    int colorIndex = 0;
    bool fits = true; // bars that would end beyond the box are not drawn
};

struct Graph
{
    QList<Bar> bars; // highest score first; every one has a legend entry
    int barWidth = 0;
    int unit = 0;
};

// Spectators (ngWorldStats "Spectator") get no bar but still narrow the bars.
// The widest bar the minimal-bar-width setting may ask for.
constexpr int kMaxMinBarWidth = 10000;

Graph layoutBars(const QList<PlayerRows::Row> &rows, int width, int height, int minBarWidth);

// Font size in points of a bar's score, and the score's x inside the bar.
int scoreFontPoints(int barWidth);
int scoreTextX(const Bar &bar, int barWidth, int textWidth);

// Everything from the first "." on is cut, empty counts as 0.
int teamSizeValue(const QString &text);

struct TeamBox
{
    QRect rect;
    int team = 0;
    int score = 0;
    int size = 0;
};

// One box per team with players, in slot order, each for its own team slot;
// nothing when no team has any.
QList<TeamBox> layoutTeams(const QList<std::pair<QString, QString>> &scoreAndSize, int width, int height);

// The strip heights for a main window height.
int playersStripHeight(int windowHeight);
int scoreStripHeight(int windowHeight);

enum class FrameColor { Light, DarkShadow, Highlight, Shadow };

struct FrameLine
{
    QLine line; // from the first point up to, not including, the second
    FrameColor color;
};

QList<FrameLine> frameLines(const QRect &rect, bool raised, bool thick);

} // namespace ScoreGraphLayout
