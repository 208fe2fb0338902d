#include "HistoryPlotLayout.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace HistoryPlotLayout {

namespace {

// Fixed English names: the captions around them are English too.
QString dayName(const QDate &date)
{
    return QLocale::c().toString(date, QStringLiteral("ddd"));
}

QString weekDayName(int day)
{
    return QLocale::c().dayName(day + 1, QLocale::ShortFormat);
}

QString hourText(int hour)
{
    return QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0'));
}

QString figure(double value)
{
    return QString::number(value, 'f', 1);
}

QDateTime localTime(qint64 time, const QTimeZone &zone)
{
    return QDateTime::fromSecsSinceEpoch(time, zone);
}

// The start of the local hour that holds the time.
qint64 hourStart(qint64 time, const QTimeZone &zone)
{
    const QDateTime local = localTime(time, zone);
    const QDateTime start(local.date(), QTime(local.time().hour(), 0), zone);
    return std::min(start.toSecsSinceEpoch(), time);
}

// The value axis: steps of 1, 2 or 5 times a power of ten, as many as the
// height has room for, up to the first step at or above the peak.
int topAndYTicks(int peak, double height, double minSpacing, QList<int> &values)
{
    const qint64 highest = std::max(peak, 1);
    for (qint64 scale = 1;; scale *= 10) {
        for (qint64 factor : {1, 2, 5}) {
            const qint64 step = factor * scale;
            const qint64 top = (highest + step - 1) / step * step;
            if (height * double(step) / double(top) >= minSpacing || step >= highest) {
                for (qint64 v = 0; v <= top; v += step)
                    values.append(int(v));
                return int(top);
            }
        }
    }
}

void addTimeTicks(Plot &plot, const QTimeZone &zone, double minSpacing)
{
    static constexpr std::array<qint64, 8> kSteps = {kHour,      2 * kHour, 3 * kHour, 6 * kHour,
                                                     12 * kHour, kDay,      2 * kDay,  kWeek};
    const double perSecond = plot.area.width() / double(plot.to - plot.from);
    plot.tickSeconds = kSteps.back();
    for (qint64 step : kSteps) {
        if (double(step) * perSecond >= minSpacing) {
            plot.tickSeconds = step;
            break;
        }
    }
    if (plot.tickSeconds < kDay) {
        const qint64 everyHours = plot.tickSeconds / kHour;
        for (qint64 t = hourStart(plot.from, zone); t <= plot.to; t += kHour) {
            if (t < plot.from)
                continue;
            const QDateTime local = localTime(t, zone);
            const int hour = local.time().hour();
            if (local.time().minute() != 0 || hour % everyHours != 0)
                continue;
            // Midnight names the day instead.
            plot.xTicks.append({xForTime(plot, t), hour == 0 ? dayName(local.date()) : hourText(hour)});
        }
        return;
    }
    const qint64 everyDays = plot.tickSeconds / kDay;
    const QDate last = localTime(plot.to, zone).date();
    for (QDate date = localTime(plot.from, zone).date(); date <= last; date = date.addDays(1)) {
        const bool chosen = everyDays == 7 ? date.dayOfWeek() == 1 : date.toJulianDay() % everyDays == 0;
        const qint64 t = date.startOfDay(zone).toSecsSinceEpoch();
        if (chosen && t >= plot.from && t <= plot.to)
            plot.xTicks.append({xForTime(plot, t), QLocale::c().toString(date, QStringLiteral("ddd d"))});
    }
}

// Keeps the first, lowest, highest and last point of every device pixel
// column: the line looks the same and draws in time with the width, not
// with the number of samples.
QList<QPointF> thinned(const QList<QPointF> &points, qsizetype begin, qsizetype end, double devicePixelRatio)
{
    QList<QPointF> line;
    const auto column = [&](qsizetype k) { return std::floor(points[k].x() * devicePixelRatio); };
    for (qsizetype first = begin; first < end;) {
        const double here = column(first);
        qsizetype next = first;
        qsizetype lowest = first;
        qsizetype highest = first;
        for (; next < end && column(next) == here; ++next) {
            if (points[next].y() < points[lowest].y())
                lowest = next;
            if (points[next].y() > points[highest].y())
                highest = next;
        }
        const std::array<qsizetype, 4> kept = {first, std::min(lowest, highest), std::max(lowest, highest), next - 1};
        qsizetype previous = -1;
        for (qsizetype k : kept) {
            if (k != previous)
                line.append(points[k]);
            previous = k;
        }
        first = next;
    }
    return line;
}

// A line this many times longer than it is wide zigzags so much that it
// reads as a band: drawn as one, it also costs no more than its width.
constexpr double kLengthPerColumn = 8;

double length(const QList<QPointF> &line)
{
    double total = 0;
    for (qsizetype k = 1; k < line.size(); ++k)
        total += std::hypot(line[k].x() - line[k - 1].x(), line[k].y() - line[k - 1].y());
    return total;
}

// Where the line between the points passes through each device pixel
// column, and the height of the area under it: from the line's middle
// where the line is thin, from its lowest point where it is a band.
QList<Column> columns(const QList<QPointF> &points, qsizetype begin, qsizetype end, double devicePixelRatio, bool dense)
{
    const auto column = [devicePixelRatio](double x) { return qint64(std::floor(x * devicePixelRatio)); };
    const qint64 first = column(points[begin].x());
    const qint64 count = column(points[end - 1].x()) - first + 1;
    constexpr double kUnset = std::numeric_limits<double>::quiet_NaN();
    QList<Column> spans(count, Column{0, 1 / devicePixelRatio, kUnset, kUnset, kUnset});
    const auto spanAt = [&](qint64 c) { return c >= first && c - first < count ? &spans[c - first] : nullptr; };
    const auto extend = [&](qint64 c, double y) {
        if (Column *span = spanAt(c)) {
            span->top = std::isnan(span->top) ? y : std::min(span->top, y);
            span->bottom = std::isnan(span->bottom) ? y : std::max(span->bottom, y);
        }
    };
    extend(first, points[begin].y());
    for (qsizetype k = begin + 1; k < end; ++k) {
        const QPointF a = points[k - 1];
        const QPointF b = points[k];
        const double slope = b.x() > a.x() ? (b.y() - a.y()) / (b.x() - a.x()) : 0;
        const auto yAt = [&](double x) { return a.y() + (x - a.x()) * slope; };
        for (qint64 c = column(a.x()); c <= column(b.x()); ++c) {
            const double left = std::max(a.x(), double(c) / devicePixelRatio);
            const double right = std::min(b.x(), double(c + 1) / devicePixelRatio);
            extend(c, yAt(left));
            extend(c, yAt(right));
            const double middle = (double(c) + 0.5) / devicePixelRatio;
            Column *span = spanAt(c);
            if (span && middle >= a.x() && middle <= b.x())
                span->fillTop = yAt(middle);
        }
        extend(column(b.x()), b.y());
    }
    for (qint64 c = 0; c < count; ++c) {
        Column &span = spans[c];
        span.x = double(first + c) / devicePixelRatio;
        if (dense || std::isnan(span.fillTop))
            span.fillTop = dense ? span.bottom : (span.top + span.bottom) / 2;
    }
    return spans;
}

} // namespace

qint64 joinLimit(const QList<HistorySample> &samples)
{
    QList<qint64> steps;
    steps.reserve(samples.size());
    for (qsizetype k = 1; k < samples.size(); ++k) {
        if (samples[k].time > samples[k - 1].time)
            steps.append(samples[k].time - samples[k - 1].time);
    }
    if (steps.isEmpty())
        return kMinGap;
    const auto middle = steps.begin() + steps.size() / 2;
    std::nth_element(steps.begin(), middle, steps.end());
    return std::max(kMinGap, 3 * *middle);
}

double xForTime(const Plot &plot, qint64 time)
{
    return plot.area.left() + double(time - plot.from) * plot.area.width() / double(plot.to - plot.from);
}

double yForPlayers(const Plot &plot, int players)
{
    return plot.area.bottom() - double(std::max(players, 0)) * plot.area.height() / double(plot.top);
}

Plot layoutPlot(const QList<HistorySample> &samples, qint64 from, qint64 to, const QRectF &area, const QTimeZone &zone,
                const PlotOptions &options)
{
    Plot plot;
    plot.area = area;
    plot.from = from;
    plot.to = std::max(to, from + 1);

    int peakPlayers = 0;
    for (qsizetype k = 0; k < samples.size(); ++k) {
        if (plot.peak < 0 || samples[k].players > peakPlayers) {
            plot.peak = int(k);
            peakPlayers = samples[k].players;
        }
    }
    QList<int> values;
    plot.top = topAndYTicks(peakPlayers, area.height(), options.minYTickSpacing, values);
    for (int v : values)
        plot.yTicks.append({yForPlayers(plot, v), QString::number(v)});
    addTimeTicks(plot, zone, options.minXTickSpacing);

    plot.points.reserve(samples.size());
    for (const HistorySample &sample : samples)
        plot.points.append(QPointF(xForTime(plot, sample.time), yForPlayers(plot, sample.players)));

    const qint64 limit = options.maxGap > 0 ? options.maxGap : joinLimit(samples);
    const double ratio = options.devicePixelRatio > 0 ? options.devicePixelRatio : 1;
    qsizetype begin = 0;
    for (qsizetype k = 1; k <= samples.size(); ++k) {
        if (k == samples.size() || samples[k].time - samples[k - 1].time > limit) {
            Run run;
            run.line = thinned(plot.points, begin, k, ratio);
            const double span = (plot.points[k - 1].x() - plot.points[begin].x()) * ratio;
            const bool manySamples = double(k - begin) >= span;
            run.dense = k - begin > 1 && (manySamples || length(run.line) * ratio > kLengthPerColumn * span);
            run.columns = columns(plot.points, begin, k, ratio, run.dense);
            plot.runs.append(run);
            begin = k;
        }
    }
    return plot;
}

int nearestPoint(const Plot &plot, double x, double maxDistance)
{
    const auto after = std::lower_bound(plot.points.begin(), plot.points.end(), x,
                                        [](const QPointF &point, double value) { return point.x() < value; });
    int best = -1;
    double bestDistance = maxDistance;
    const auto consider = [&](QList<QPointF>::const_iterator it) {
        const double distance = std::abs(it->x() - x);
        if (distance <= bestDistance) {
            best = int(it - plot.points.begin());
            bestDistance = distance;
        }
    };
    // The later point first: on a tie the earlier one wins.
    if (after != plot.points.end())
        consider(after);
    if (after != plot.points.begin())
        consider(after - 1);
    return best;
}

int nearestSample(const QList<HistorySample> &samples, qint64 time)
{
    if (samples.isEmpty())
        return -1;
    const auto after = std::lower_bound(samples.begin(), samples.end(), time,
                                        [](const HistorySample &sample, qint64 value) { return sample.time < value; });
    if (after == samples.end())
        return int(samples.size() - 1);
    if (after == samples.begin())
        return 0;
    const auto before = after - 1;
    return int((time - before->time <= after->time - time ? before : after) - samples.begin());
}

QString sampleText(const HistorySample &sample, const QTimeZone &zone)
{
    const QDateTime local = localTime(sample.time, zone);
    QString text = QLocale::c().toString(local, QStringLiteral("ddd d MMM HH:mm")) + QStringLiteral(": ");
    if (sample.maxPlayers > 0)
        text += QStringLiteral("%1 of %2 players").arg(sample.players).arg(sample.maxPlayers);
    else
        text += sample.players == 1 ? QStringLiteral("1 player") : QStringLiteral("%1 players").arg(sample.players);
    if (!sample.map.isEmpty())
        text += QStringLiteral(", ") + sample.map;
    return text;
}

CrispLine crispLine(double pos, double devicePixelRatio)
{
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1;
    const double pixels = std::max(1.0, std::round(ratio));
    return {(std::floor(pos * ratio) + pixels / 2) / ratio, pixels / ratio};
}

BusyGrid layoutBusyHours(const WeekHours &hours, const QRectF &area, const BusyOptions &options)
{
    BusyGrid grid;
    const double ratio = options.devicePixelRatio > 0 ? options.devicePixelRatio : 1;
    const auto snap = [ratio](double v) { return std::round(v * ratio) / ratio; };
    const double gap = std::max(1.0, std::round(ratio)) / ratio;

    const double left = area.left() + options.dayLabelWidth;
    const double top = area.top() + options.textHeight + 2;
    const double legendTop = area.bottom() - options.textHeight;
    const double bottom = legendTop - 6;
    const double cellWidth = std::max(0.0, area.right() - left) / 24;
    const double cellHeight = std::max(0.0, bottom - top) / 7;

    for (double value : hours)
        grid.maxValue = std::max(grid.maxValue, value);
    // Rows lower than the text name every other or every third day.
    const int everyDay = cellHeight >= options.textHeight ? 1 : 2 * cellHeight >= options.textHeight ? 2 : 3;
    grid.cells.reserve(7 * 24);
    for (int day = 0; day < 7; ++day) {
        for (int hour = 0; hour < 24; ++hour) {
            BusyCell cell;
            cell.day = day;
            cell.hour = hour;
            cell.value = hours[size_t(day * 24 + hour)];
            if (cell.value >= 0)
                cell.level = grid.maxValue > 0 ? cell.value / grid.maxValue : 0;
            else
                cell.value = -1;
            const double x0 = snap(left + hour * cellWidth);
            const double x1 = snap(left + (hour + 1) * cellWidth);
            const double y0 = snap(top + day * cellHeight);
            const double y1 = snap(top + (day + 1) * cellHeight);
            cell.rect = QRectF(x0, y0, std::max(0.0, x1 - x0 - gap), std::max(0.0, y1 - y0 - gap));
            grid.cells.append(cell);
        }
        if (day % everyDay == 0)
            grid.dayLabels.append({top + (day + 0.5) * cellHeight, weekDayName(day)});
    }
    int every = 24;
    for (int step : {1, 2, 3, 6, 12}) {
        if (step * cellWidth >= options.minHourLabelSpacing) {
            every = step;
            break;
        }
    }
    for (int hour = 0; hour < 24; hour += every)
        grid.hourLabels.append(
            {left + (hour + 0.5) * cellWidth, QStringLiteral("%1").arg(hour, 2, 10, QLatin1Char('0'))});

    const double swatch = options.textHeight;
    grid.legendNoData = QRectF(snap(left), snap(legendTop), swatch, swatch);
    const double rampLeft = snap(left + (area.right() - left) * 0.45);
    const double rampRight = snap(area.right() - options.legendLabelWidth);
    grid.legendRamp = QRectF(rampLeft, snap(legendTop), std::max(0.0, rampRight - rampLeft), swatch);
    grid.legendMax = grid.maxValue >= 0 ? figure(std::max(grid.maxValue, 0.0)) + QStringLiteral(" players") : QString();
    return grid;
}

int busyCellAt(const BusyGrid &grid, const QPointF &pos)
{
    for (qsizetype k = 0; k < grid.cells.size(); ++k) {
        if (grid.cells[k].rect.contains(pos))
            return int(k);
    }
    return -1;
}

QString busyCellText(const BusyCell &cell)
{
    const QString when = weekDayName(cell.day) + QLatin1Char(' ') + hourText(cell.hour) + QLatin1Char('-')
                         + hourText((cell.hour + 1) % 24);
    if (cell.value < 0)
        return when + QStringLiteral(": no samples");
    return when + QStringLiteral(": ") + figure(cell.value) + QStringLiteral(" players on average");
}

QList<HourRow> hourlyRows(const QList<HistorySample> &samples, qint64 now, const QTimeZone &zone)
{
    QList<HourRow> rows;
    const qint64 last = hourStart(now, zone);
    for (int k = 23; k >= 0; --k)
        rows.append(HourRow{last - k * kHour, 0, 0, 0, {}});
    const qint64 first = rows.first().start;
    for (const HistorySample &sample : samples) {
        if (sample.time < first || sample.time >= last + kHour)
            continue;
        HourRow &row = rows[(sample.time - first) / kHour];
        if (row.samples == 0 || sample.players > row.players) {
            row.players = sample.players;
            row.maxPlayers = sample.maxPlayers;
        }
        ++row.samples;
        if (!sample.map.isEmpty() && !row.maps.contains(sample.map))
            row.maps.append(sample.map);
    }
    return rows;
}

QList<DayRow> dailyRows(const QList<HistorySample> &samples, qint64 now, const QTimeZone &zone)
{
    const QDate today = localTime(now, zone).date();
    QList<DayRow> rows;
    QList<qint64> starts;
    for (int k = 6; k >= -1; --k) {
        const QDate date = today.addDays(-k);
        starts.append(date.startOfDay(zone).toSecsSinceEpoch());
        if (k >= 0)
            rows.append(DayRow{date, 0, 0, 0, 0});
    }
    QList<qint64> sums(rows.size(), 0);
    for (const HistorySample &sample : samples) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), sample.time);
        if (next == starts.begin() || next == starts.end())
            continue;
        const qsizetype k = next - starts.begin() - 1;
        DayRow &row = rows[k];
        if (row.samples == 0) {
            row.minPlayers = sample.players;
            row.maxPlayers = sample.players;
        }
        row.minPlayers = std::min(row.minPlayers, sample.players);
        row.maxPlayers = std::max(row.maxPlayers, sample.players);
        sums[k] += sample.players;
        ++row.samples;
    }
    for (qsizetype k = 0; k < rows.size(); ++k) {
        if (rows[k].samples > 0)
            rows[k].avgPlayers = double(sums[k]) / rows[k].samples;
    }
    return rows;
}

QList<BusyHour> busiestHours(const WeekHours &hours, int count)
{
    QList<BusyHour> busiest;
    for (int k = 0; k < 7 * 24; ++k) {
        if (hours[size_t(k)] > 0)
            busiest.append(BusyHour{k / 24, k % 24, hours[size_t(k)]});
    }
    std::stable_sort(busiest.begin(), busiest.end(),
                     [](const BusyHour &a, const BusyHour &b) { return a.value > b.value; });
    busiest.resize(std::min<qsizetype>(busiest.size(), std::max(count, 0)));
    return busiest;
}

QStringList textLines(const QList<HistorySample> &samples, const WeekHours &hours, qint64 now, const QTimeZone &zone)
{
    QStringList lines;
    lines.append(QStringLiteral("Last 24 hours, each hour: most players, of the slots, maps played"));
    for (const HourRow &row : hourlyRows(samples, now, zone)) {
        const QDateTime local = localTime(row.start, zone);
        QString line = QStringLiteral("  ") + dayName(local.date()) + QLatin1Char(' ') + hourText(local.time().hour())
                       + QStringLiteral("  ");
        if (row.samples == 0) {
            line += QStringLiteral("no samples");
        } else {
            line += QStringLiteral("%1 of %2 players").arg(row.players).arg(row.maxPlayers);
            if (!row.maps.isEmpty())
                line += QStringLiteral("  ") + row.maps.join(QStringLiteral(", "));
        }
        lines.append(line);
    }
    lines.append(QString());
    lines.append(QStringLiteral("Last 7 days, each day: fewest, average and most players"));
    for (const DayRow &row : dailyRows(samples, now, zone)) {
        QString line =
            QStringLiteral("  ") + QLocale::c().toString(row.date, QStringLiteral("ddd d MMM")) + QStringLiteral("  ");
        if (row.samples == 0)
            line += QStringLiteral("no samples");
        else
            line += QStringLiteral("%1 / %2 / %3").arg(row.minPlayers).arg(figure(row.avgPlayers)).arg(row.maxPlayers);
        lines.append(line);
    }
    lines.append(QString());
    lines.append(QStringLiteral("Busiest hours of the week, average players"));
    const QList<BusyHour> busiest = busiestHours(hours, 5);
    if (busiest.isEmpty())
        lines.append(QStringLiteral("  none yet"));
    for (const BusyHour &hour : busiest) {
        BusyCell cell;
        cell.day = hour.day;
        cell.hour = hour.hour;
        cell.value = hour.value;
        lines.append(QStringLiteral("  ") + busyCellText(cell));
    }
    return lines;
}

} // namespace HistoryPlotLayout
