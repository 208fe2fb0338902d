#include "ScoreGraphLayout.h"

#include "PlayerRows.h"
#include "core/StrToIntOrZero.h"

#include <algorithm>
#include <cmath>

namespace ScoreGraphLayout {

namespace {

quint32 platformColor(int r, int g, int b)
{
    return static_cast<quint32>(r) | static_cast<quint32>(g) << 8 | static_cast<quint32>(b) << 16;
}

// Coordinates far outside any screen are drawn at its edge: replies can
// carry scores of any 32-bit value, and their products must not overflow.
constexpr qint64 kCoordinateLimit = 1 << 20;

int clampCoordinate(qint64 value)
{
    return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

// Rounds to the nearest whole number, halves to the even neighbour.
int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

std::array<quint32, kPaletteSize> BarPalette()
{
    std::array<quint32, kPaletteSize> palette{};
    int r = 248, g = 0, b = 0;
    for (int k = 0; k < kPaletteSize; ++k) {
        if (k < 48) {
            switch (k % 24 / 4) {
            case 0: g += 62; break;
            case 1: r -= 62; break;
            case 2: b += 62; break;
            case 3: g -= 62; break;
            case 4: r += 62; break;
            case 5: b -= 62; break;
            }
        }
        palette[static_cast<size_t>(k)] = platformColor(r, g, b);
    }
    return palette;
}

quint32 teamColor(int team)
{
    switch (team) {
    case 0: return platformColor(255, 0, 0);
    case 1: return platformColor(0, 0, 255);
    case 2: return platformColor(0, 128, 0);
    default: return platformColor(255, 255, 0);
    }
}

Graph layoutBars(const QList<PlayerRows::Row> &rows, int width, int height, int minBarWidth)
{
    Graph graph;
    QList<Bar> samples;
    for (const PlayerRows::Row &row : rows) {
        if (row.ngWorldStats != QLatin1String("Spectator"))
            samples.append(Bar{{}, strToIntOrZero(row.score), row.name, 0, true});
    }
    std::stable_sort(samples.begin(), samples.end(), [](const Bar &a, const Bar &b) { return a.score > b.score; });
    if (samples.isEmpty())
        return graph;

    const qint64 n = rows.size();
    const qint64 top = samples.first().score == 0 ? 1 : samples.first().score;
    graph.unit = clampCoordinate((qint64{height} - 10) / top);
    graph.barWidth = clampCoordinate((qint64{width} - 10 - (n - 1) * 7) / n);
    const int minimum = std::clamp(minBarWidth, 0, kMaxMinBarWidth);
    if (minimum != 0 && minimum > graph.barWidth)
        graph.barWidth = minimum;

    for (int k = 0; k < samples.size(); ++k) {
        Bar &bar = samples[k];
        const qint64 left = 5 + qint64{k} * 7 + qint64{k} * graph.barWidth;
        const qint64 right = 5 + qint64{k} * 7 + (qint64{k} + 1) * graph.barWidth;
        const qint64 bottom = qint64{height} - 5;
        const qint64 topEdge = clampCoordinate(bottom - qint64{bar.score} * graph.unit);
        bar.rect = QRect(clampCoordinate(left), clampCoordinate(topEdge), clampCoordinate(right - left),
                         clampCoordinate(bottom - topEdge));
        bar.colorIndex = std::min(k, kPaletteSize - 1);
        bar.fits = right + 1 < width;
    }
    graph.bars = samples;
    return graph;
}

int scoreFontPoints(int barWidth)
{
    return roundHalfEven(barWidth / 2.5);
}

int scoreTextX(const Bar &bar, int barWidth, int textWidth)
{
    return bar.rect.left() + roundHalfEven((barWidth - textWidth) / 2.5) + 2;
}

int teamSizeValue(const QString &text)
{
    QString t = text;
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        t.truncate(dot);
    return t.isEmpty() ? 0 : strToIntOrZero(t);
}

QList<TeamBox> layoutTeams(const QList<std::pair<QString, QString>> &scoreAndSize, int width, int height)
{
    // The teams that have players, in slot order: with everyone on Blue the
    // strip shows one blue box, not the empty red team.
    QList<int> playing;
    for (int slot = 0; slot < scoreAndSize.size(); ++slot) {
        if (teamSizeValue(scoreAndSize[slot].second) > 0)
            playing.append(slot);
    }
    QList<TeamBox> boxes;
    if (playing.isEmpty())
        return boxes;
    const auto t = static_cast<int>(playing.size());
    const int boxWidth = (width - 20 - (t - 1) * 10) / t;
    for (int j = 0; j < t; ++j) {
        const int slot = playing[j];
        const int left = 10 + j * (boxWidth + 10);
        boxes.append(TeamBox{QRect(left, 5, boxWidth, height - 10), slot, teamSizeValue(scoreAndSize[slot].first),
                             teamSizeValue(scoreAndSize[slot].second)});
    }
    return boxes;
}

int playersStripHeight(int windowHeight)
{
    return roundHalfEven(windowHeight / 15.3);
}

int scoreStripHeight(int windowHeight)
{
    return roundHalfEven(windowHeight / 15.5);
}

QList<FrameLine> frameLines(const QRect &r, bool raised, bool thick)
{
    // The corners as the rectangle's edges, right and bottom just outside it.
    const int L = r.left(), T = r.top(), R = r.left() + r.width(), B = r.top() + r.height();
    const FrameColor outerTopLeft = raised ? FrameColor::Light : FrameColor::DarkShadow;
    const FrameColor innerTopLeft = raised ? FrameColor::Highlight : FrameColor::Shadow;
    const FrameColor outerBottomRight = raised ? FrameColor::DarkShadow : FrameColor::Light;
    const FrameColor innerBottomRight = raised ? FrameColor::Shadow : FrameColor::Highlight;
    QList<FrameLine> lines = {
        {QLine(L, T, R, T), outerTopLeft},
        {QLine(L, T, L, B), outerTopLeft},
    };
    if (thick) {
        lines.append({QLine(L + 1, T + 1, R - 1, T + 1), innerTopLeft});
        lines.append({QLine(L + 1, T + 1, L + 1, B - 1), innerTopLeft});
    }
    lines.append({QLine(L + 1, B, R, B), outerBottomRight});
    lines.append({QLine(R, T + 1, R, B), outerBottomRight});
    if (thick) {
        lines.append({QLine(L + 1, B - 1, R, B - 1), innerBottomRight});
        lines.append({QLine(R - 1, T + 1, R - 1, B - 1), innerBottomRight});
    }
    return lines;
}

} // namespace ScoreGraphLayout
