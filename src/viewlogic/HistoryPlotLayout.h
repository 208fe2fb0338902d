#pragma once

#include "history/HistorySource.h"

#include <QDate>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTimeZone>

// Where the history page's plots, the busy-hours grid and their figures go.
// Times are seconds since the epoch, UTC; the zone only places the ticks and
// names the hours and days.
namespace HistoryPlotLayout {

constexpr qint64 kHour = 3600;
constexpr qint64 kDay = 24 * kHour;
constexpr qint64 kWeek = 7 * kDay;
// Gaps up to this are always bridged, however often the samples came.
constexpr qint64 kMinGap = 10 * 60;

struct Tick
{
    double pos = 0; // x of a time tick, y of a value tick
    QString label;
};

struct PlotOptions
{
    double devicePixelRatio = 1;
    double minXTickSpacing = 60; // room for one time label
    double minYTickSpacing = 24; // room for one value label
    qint64 maxGap = 0;           // longer gaps break the line; 0 derives it from the samples
};

// One device pixel column of a run: where the line passes and where the
// area under it starts.
struct Column
{
    double x = 0;      // the left edge
    double width = 0;  // one device pixel
    double top = 0;    // the line's highest point in the column
    double bottom = 0; // and its lowest
    double fillTop = 0;
};

// Samples joined into one line. A dense run, with a sample or more for each
// device pixel column or a line that zigzags far more than it advances, is
// drawn as the columns' spans; a sparse one as a line through its points.
struct Run
{
    QList<QPointF> line; // at most four points per device pixel column
    QList<Column> columns;
    bool dense = false;
};

struct Plot
{
    QRectF area;
    qint64 from = 0;
    qint64 to = 0;
    int top = 1;           // players at the area's top edge
    QList<QPointF> points; // one per sample, in the samples' order
    QList<Run> runs;       // split where samples are further apart than the join limit
    QList<Tick> xTicks;
    QList<Tick> yTicks;
    qint64 tickSeconds = 0; // time between two x ticks
    int peak = -1;          // the first sample with the most players
};

// The longest gap a line bridges: three typical sample intervals, at least kMinGap.
qint64 joinLimit(const QList<HistorySample> &samples);

// The samples oldest first, as the history gives them.
Plot layoutPlot(const QList<HistorySample> &samples, qint64 from, qint64 to, const QRectF &area, const QTimeZone &zone,
                const PlotOptions &options = {});

double xForTime(const Plot &plot, qint64 time);
double yForPlayers(const Plot &plot, int players);

// The point nearest to x, or -1 when none lies within maxDistance of it.
int nearestPoint(const Plot &plot, double x, double maxDistance);
// The sample nearest to a time, or -1 without samples.
int nearestSample(const QList<HistorySample> &samples, qint64 time);

// "Mon 3 Jun 20:05: 12 of 16 players, CTF-Face", for tool tips and screen readers.
QString sampleText(const HistorySample &sample, const QTimeZone &zone);

// A line of one device pixel's multiple that covers whole device pixels.
struct CrispLine
{
    double pos = 0;
    double width = 1;
};
CrispLine crispLine(double pos, double devicePixelRatio);

struct BusyCell
{
    QRectF rect;
    int day = 0; // 0 is Monday
    int hour = 0;
    double value = -1; // average players; negative without samples
    double level = -1; // 0..1 along the colour ramp; negative without samples
};

struct BusyGrid
{
    QList<BusyCell> cells;  // Monday 00:00 first, hour by hour
    QList<Tick> dayLabels;  // y of a row's middle; every day where the text fits
    QList<Tick> hourLabels; // x of a column's left edge
    double maxValue = 0;
    QRectF legendRamp;   // the ramp from no players to maxValue
    QRectF legendNoData; // the swatch of an hour without samples
    QString legendMax;   // the ramp's upper label
};

struct BusyOptions
{
    double devicePixelRatio = 1;
    double dayLabelWidth = 32;
    double textHeight = 14;
    double minHourLabelSpacing = 24;
    double legendLabelWidth = 80; // room right of the ramp for its upper label
};

BusyGrid layoutBusyHours(const WeekHours &hours, const QRectF &area, const BusyOptions &options = {});
// Index into WeekHours, or -1 outside the cells.
int busyCellAt(const BusyGrid &grid, const QPointF &pos);
// "Fri 20:00-21:00: 9.5 players on average", or that the hour has no samples.
QString busyCellText(const BusyCell &cell);

// The figures behind the plots, for the text view.
struct HourRow
{
    qint64 start = 0;
    int samples = 0;
    int players = 0; // the hour's peak
    int maxPlayers = 0;
    QStringList maps; // in the order played
};

struct DayRow
{
    QDate date;
    int samples = 0;
    int minPlayers = 0;
    double avgPlayers = 0;
    int maxPlayers = 0;
};

struct BusyHour
{
    int day = 0;
    int hour = 0;
    double value = 0;
};

// The 24 local hours up to and including the one of now, oldest first.
QList<HourRow> hourlyRows(const QList<HistorySample> &samples, qint64 now, const QTimeZone &zone);
// Today and the six days before it, oldest first.
QList<DayRow> dailyRows(const QList<HistorySample> &samples, qint64 now, const QTimeZone &zone);
// The hours with the most players on average, busiest first; hours nobody played are left out.
QList<BusyHour> busiestHours(const WeekHours &hours, int count);

QStringList textLines(const QList<HistorySample> &samples, const WeekHours &hours, qint64 now, const QTimeZone &zone);

} // namespace HistoryPlotLayout
