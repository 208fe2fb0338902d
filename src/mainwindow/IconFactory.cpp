#include "IconFactory.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <array>
#include <cmath>
#include <cstddef>

namespace {

constexpr std::array<int, 8> kApplicationSizes{16, 22, 24, 32, 48, 64, 128, 256};
constexpr std::array<int, 6> kTraySizes{16, 22, 24, 32, 48, 64};

constexpr int kSplashWidth = 350;
constexpr int kSplashHeight = 263;
constexpr int kSplashFooter = 30;
constexpr qreal kSplashFooterTop = kSplashHeight - kSplashFooter;

// Radar sweep: leading edge angle and the length of its fading trail, degrees
// counter-clockwise from three o'clock.
constexpr qreal kSweepAngle = 50.0;
constexpr qreal kSweepTrail = 110.0;

const QColor kTileTop(0x2b, 0x3b, 0x60);
const QColor kTileBottom(0x0c, 0x12, 0x24);
const QColor kFaceInner(0x13, 0x36, 0x42);
const QColor kFaceOuter(0x07, 0x17, 0x20);
const QColor kRing(0x55, 0xb8, 0xc4);
const QColor kAccent(0xff, 0xb0, 0x3b);
const QColor kBlip(0xff, 0xd8, 0x80);

struct Blip
{
    qreal angle;    // degrees, as kSweepAngle
    qreal distance; // fraction of the scope radius
    bool skipWhenTiny;
};

// The freshest blip sits just behind the sweep so it reads as "just found".
constexpr std::array<Blip, 3> kBlips{{
    {80.0, 0.56, false},
    {215.0, 0.60, false},
    {320.0, 0.42, true},
}};

QPointF polar(const QPointF &centre, qreal angle, qreal distance)
{
    const qreal rad = qDegreesToRadians(angle);
    return centre + QPointF(distance * std::cos(rad), -distance * std::sin(rad));
}

// Fine rings only where there is room; at 16 px they just turn to mush.
void paintScopeGrid(QPainter &p, const QPointF &centre, qreal radius, qreal pixel)
{
    const qreal devRadius = radius / pixel;
    QColor fine = kRing;
    fine.setAlphaF(devRadius < 12 ? 0.55 : 0.45);
    const qreal fineWidth = qMax(pixel, radius * 0.018);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(fine, fineWidth));
    if (devRadius >= 16) {
        for (const qreal f : {1.0 / 3.0, 2.0 / 3.0})
            p.drawEllipse(centre, radius * f, radius * f);
    } else if (devRadius >= 8) {
        p.drawEllipse(centre, radius * 0.5, radius * 0.5);
    }
    if (devRadius >= 16) {
        p.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
        p.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
    }
    if (devRadius >= 40) {
        QColor tick = kRing;
        tick.setAlphaF(0.6);
        p.setPen(QPen(tick, fineWidth));
        for (int i = 0; i < 36; ++i) {
            const qreal a = i * 10.0;
            const qreal inner = (i % 3 == 0) ? 0.88 : 0.93;
            p.drawLine(polar(centre, a, radius * inner), polar(centre, a, radius * 0.98));
        }
    }
}

void paintSweep(QPainter &p, const QPointF &centre, qreal radius, qreal pixel)
{
    QConicalGradient trail(centre, kSweepAngle);
    QColor head = kAccent;
    head.setAlphaF(0.75);
    QColor tail = kAccent;
    tail.setAlphaF(0.0);
    trail.setColorAt(0.0, head);
    trail.setColorAt(kSweepTrail / 360.0, tail);
    trail.setColorAt(1.0, tail);
    p.setPen(Qt::NoPen);
    p.setBrush(trail);
    const QRectF box(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    p.drawPie(box, qRound(kSweepAngle * 16), qRound(kSweepTrail * 16));

    const qreal beamWidth = qMax(pixel, radius * 0.05);
    p.setPen(QPen(kAccent, beamWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, polar(centre, kSweepAngle, radius * 0.97));
}

void paintBlips(QPainter &p, const QPointF &centre, qreal radius, qreal pixel)
{
    const qreal devRadius = radius / pixel;
    const qreal blipRadius = qMax(pixel, radius * 0.085);
    for (const Blip &blip : kBlips) {
        if (blip.skipWhenTiny && devRadius < 8)
            continue;
        const QPointF at = polar(centre, blip.angle, radius * blip.distance);
        if (devRadius >= 16) {
            QRadialGradient glow(at, blipRadius * 3.0);
            QColor halo = kAccent;
            halo.setAlphaF(0.45);
            glow.setColorAt(0.0, halo);
            halo.setAlphaF(0.0);
            glow.setColorAt(1.0, halo);
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(at, blipRadius * 3.0, blipRadius * 3.0);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(kBlip);
        p.drawEllipse(at, blipRadius, blipRadius);
    }
}

// `pixel` is the size of one device pixel in painter units, so detail can be
// chosen by how big the scope really ends up on screen.
void paintScope(QPainter &p, const QPointF &centre, qreal radius, qreal pixel, bool live)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    QRadialGradient face(centre, radius);
    face.setColorAt(0.0, kFaceInner);
    face.setColorAt(1.0, kFaceOuter);
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(centre, radius, radius);

    paintScopeGrid(p, centre, radius, pixel);
    if (live) {
        paintSweep(p, centre, radius, pixel);
        paintBlips(p, centre, radius, pixel);
    }

    // Hub and rim go last so the sweep never covers them.
    if (radius / pixel >= 8) {
        p.setPen(Qt::NoPen);
        p.setBrush(live ? kAccent : kRing);
        const qreal hub = qMax(pixel, radius * 0.06);
        p.drawEllipse(centre, hub, hub);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kRing, qMax(pixel, radius * 0.055)));
    const qreal rim = radius - qMax(pixel, radius * 0.055) / 2;
    p.drawEllipse(centre, rim, rim);
    p.restore();
}

QImage paintBase(int size, bool live)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const int margin = size / 24;
    const QRectF tile(margin, margin, size - 2 * margin, size - 2 * margin);
    const qreal corner = tile.width() * 0.22;

    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0.0, kTileTop);
    fill.setColorAt(1.0, kTileBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(tile, corner, corner);

    // A faint top highlight gives the tile an edge on dark panels.
    if (size >= 32) {
        QLinearGradient edge(tile.topLeft(), tile.bottomLeft());
        edge.setColorAt(0.0, QColor(255, 255, 255, 70));
        edge.setColorAt(0.5, QColor(255, 255, 255, 10));
        edge.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QBrush(edge), qMax(1.0, size / 64.0)));
        const qreal inset = qMax(1.0, size / 64.0) / 2;
        p.drawRoundedRect(tile.adjusted(inset, inset, -inset, -inset), corner - inset, corner - inset);
    }

    // Small scopes get a whole-pixel radius so the one-pixel rim lands on
    // pixel centres instead of smearing over two.
    const qreal radius = size <= 24 ? std::round(tile.width() * 0.42) : tile.width() * 0.39;
    paintScope(p, tile.center(), radius, 1.0, live);
    return image;
}

// Grey and faded, so "nothing known" reads differently from a quiet server.
void desaturate(QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int alpha = qAlpha(px) * 85 / 100;
            const int grey = qMin(alpha, qGray(px) * 85 / 100 + alpha / 12);
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
}

enum class Badge { Plus, Minus, Star, Info, Warning };

QPainterPath starPath(const QPointF &centre, qreal outer, qreal inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal r = (i % 2 == 0) ? outer : inner;
        const QPointF pt = polar(centre, 90.0 + i * 36.0, r);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

// A star looks smaller than a disc of the same width, so it gets more room.
QPainterPath starBadge(int size, qreal diameter, qreal rim)
{
    const qreal outer = (diameter * 1.2 - rim) / (2 * std::cos(qDegreesToRadians(18.0)));
    const QPointF at(size - rim / 2 - outer * std::cos(qDegreesToRadians(18.0)),
                     size - rim / 2 - outer * std::cos(qDegreesToRadians(36.0)));
    return starPath(at, outer, outer * 0.47);
}

QPainterPath warningBadge(int size, qreal diameter, qreal rim)
{
    const qreal width = diameter * 1.16 - rim;
    const qreal height = width * 0.9;
    const qreal right = size - rim / 2;
    const qreal baseY = size - rim / 2;
    QPainterPath shape;
    shape.moveTo(right - width / 2, baseY - height);
    shape.lineTo(right, baseY);
    shape.lineTo(right - width, baseY);
    shape.closeSubpath();
    return shape;
}

struct BadgeLook
{
    QPainterPath shape;
    QColor top;
    QColor bottom;
};

BadgeLook badgeLook(Badge badge, int size, qreal diameter, qreal rim)
{
    const qreal half = diameter / 2;
    const QPointF centre(size - half, size - half);
    QPainterPath disc;
    disc.addEllipse(centre, half, half);
    switch (badge) {
    // Joined is a light green and left a dark red, so the two differ in
    // brightness as well as hue.
    case Badge::Plus: return {disc, QColor(0x6c, 0xe8, 0x84), QColor(0x2a, 0xae, 0x4c)};
    case Badge::Minus: return {disc, QColor(0xe0, 0x40, 0x3a), QColor(0xa0, 0x16, 0x1c)};
    case Badge::Info: return {disc, QColor(0x5a, 0xa8, 0xff), QColor(0x1f, 0x62, 0xd0)};
    case Badge::Star: return {starBadge(size, diameter, rim), QColor(0xff, 0xe0, 0x6a), QColor(0xf0, 0xa8, 0x10)};
    case Badge::Warning: return {warningBadge(size, diameter, rim), QColor(0xff, 0xb2, 0x40), QColor(0xf0, 0x78, 0x10)};
    }
    return {};
}

void paintWarningMark(QPainter &p, const QRectF &bounds, qreal stroke)
{
    p.setBrush(QColor(0x3a, 0x22, 0x00));
    const qreal x = std::round(bounds.center().x()) - stroke / 2;
    const qreal baseY = bounds.bottom();
    const qreal height = bounds.height();
    const qreal dotBottom = std::round(baseY - qMax(1.0, height * 0.1));
    const qreal dotTop = dotBottom - stroke;
    const qreal barBottom = dotTop - qMax(1.0, std::round(stroke * 0.5));
    const qreal barTop = std::round(baseY - height * 0.72);
    p.drawRect(QRectF(x, barTop, stroke, barBottom - barTop));
    p.drawRect(QRectF(x, dotTop, stroke, stroke));
}

// Glyph strokes are an even number of pixels wide around a whole-pixel
// centre, which keeps them sharp at 16 px.
void paintGlyph(QPainter &p, Badge badge, int size, qreal diameter, const QRectF &bounds)
{
    const qreal half = diameter / 2;
    const QPointF centre(size - half, size - half);
    const qreal stroke = qMax(2.0, 2.0 * qRound(diameter * 0.085));
    const qreal arm = std::floor(half * 0.72 + 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    switch (badge) {
    case Badge::Plus:
        p.drawRect(QRectF(centre.x() - arm, centre.y() - stroke / 2, 2 * arm, stroke));
        p.drawRect(QRectF(centre.x() - stroke / 2, centre.y() - arm, stroke, 2 * arm));
        break;
    case Badge::Minus: p.drawRect(QRectF(centre.x() - arm, centre.y() - stroke / 2, 2 * arm, stroke)); break;
    case Badge::Info: {
        const qreal stemTop = std::round(centre.y() - arm * 0.25);
        p.drawRect(QRectF(centre.x() - stroke / 2, stemTop, stroke, centre.y() + arm - stemTop));
        p.drawRect(QRectF(centre.x() - stroke / 2, centre.y() - arm, stroke, stroke));
        break;
    }
    case Badge::Warning: paintWarningMark(p, bounds, stroke); break;
    case Badge::Star: break;
    }
}

// Badges sit in the bottom-right corner, cut out of the base picture so their
// outline stays readable on top of the scope.
void paintBadge(QImage &image, Badge badge)
{
    const int size = image.width();
    const qreal diameter = 2 * qRound(size * 0.31);
    const qreal gap = qMax(1.0, size / 20.0);
    // Outline width; even tiny stars and triangles get one so their round
    // joins keep the tips from fading out.
    const qreal rim = size >= 32 ? size / 32.0 : 0.8;
    const BadgeLook look = badgeLook(badge, size, diameter, rim);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.setPen(QPen(Qt::black, 2 * gap, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    p.drawPath(look.shape);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const QRectF bounds = look.shape.boundingRect();
    QLinearGradient fill(bounds.topLeft(), bounds.bottomLeft());
    fill.setColorAt(0.0, look.top);
    fill.setColorAt(1.0, look.bottom);
    if (size >= 32)
        p.setPen(QPen(look.bottom.darker(150), rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else if (badge == Badge::Warning || badge == Badge::Star)
        p.setPen(QPen(look.bottom, rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
        p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(look.shape);
    paintGlyph(p, badge, size, diameter, bounds);
}

QImage paintTray(int index, int size)
{
    switch (index) {
    case IconFactory::TrayNoData: {
        QImage image = paintBase(size, false);
        desaturate(image);
        return image;
    }
    case IconFactory::TrayPlayersJoined:
    case IconFactory::TrayPlayersLeft:
    case IconFactory::TrayBuddyJoined:
    case IconFactory::TrayInfo:
    case IconFactory::TrayWarning: {
        static constexpr std::array<Badge, 5> kBadges{Badge::Plus, Badge::Minus, Badge::Star, Badge::Info,
                                                      Badge::Warning};
        QImage image = paintBase(size, true);
        paintBadge(image, kBadges[static_cast<std::size_t>(index - IconFactory::TrayPlayersJoined)]);
        return image;
    }
    default: return paintBase(size, true);
    }
}

// Faint echo rings spread the scope across the whole picture, and a dark
// collar lifts the scope itself off the background.
void paintSplashBackdrop(QPainter &p, const QPointF &scopeCentre, qreal scopeRadius, qreal pixel)
{
    QLinearGradient back(QPointF(0, 0), QPointF(0, kSplashFooterTop));
    back.setColorAt(0.0, QColor(0x22, 0x31, 0x54));
    back.setColorAt(1.0, QColor(0x0b, 0x11, 0x21));
    p.fillRect(QRectF(0, 0, kSplashWidth, kSplashFooterTop), back);
    p.fillRect(QRectF(0, kSplashFooterTop, kSplashWidth, kSplashFooter), QColor(0x0b, 0x11, 0x21));

    QRadialGradient glow(scopeCentre, 150);
    glow.setColorAt(0.0, QColor(0x3a, 0x7a, 0x90, 70));
    glow.setColorAt(1.0, QColor(0x3a, 0x7a, 0x90, 0));
    p.fillRect(QRectF(0, 0, kSplashWidth, kSplashFooterTop), glow);
    p.save();
    p.setClipRect(QRectF(0, 0, kSplashWidth, kSplashFooterTop - 4));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 4; ++i) {
        QColor echo = kRing;
        echo.setAlphaF(0.16 - i * 0.03);
        p.setPen(QPen(echo, pixel));
        const qreal r = scopeRadius + i * 34;
        p.drawEllipse(scopeCentre, r, r);
    }
    p.restore();

    QRadialGradient collar(scopeCentre, scopeRadius + 12);
    collar.setColorAt(0.8, QColor(0, 0, 0, 120));
    collar.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(collar);
    p.drawEllipse(scopeCentre, scopeRadius + 12, scopeRadius + 12);
}

// Fonts differ between systems; shrink until the name fits with a margin.
QFont fittedTitleFont(const QString &title)
{
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    int pixelSize = 46;
    for (; pixelSize > 20; --pixelSize) {
        font.setPixelSize(pixelSize);
        if (QFontMetricsF(font).horizontalAdvance(title) <= kSplashWidth - 60)
            break;
    }
    font.setPixelSize(pixelSize);
    return font;
}

void paintSplashTitle(QPainter &p, qreal baseline)
{
    const QString title = QStringLiteral("Quorvelin");
    const QFont font = fittedTitleFont(title);
    const QFontMetricsF metrics(font);
    QPainterPath path;
    path.addText(QPointF((kSplashWidth - metrics.horizontalAdvance(title)) / 2, baseline), font, title);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(path.translated(0, 2));
    QLinearGradient fill(QPointF(0, baseline - metrics.ascent()), QPointF(0, baseline));
    fill.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    fill.setColorAt(1.0, QColor(0xc8, 0xd4, 0xea));
    p.setBrush(fill);
    p.drawPath(path);
}

// A warm rule under the name, fading out at both ends, and the line saying
// what the program is.
void paintSplashSubtitle(QPainter &p, qreal ruleY, qreal pixel)
{
    QLinearGradient rule(QPointF(60, 0), QPointF(kSplashWidth - 60, 0));
    QColor clear = kAccent;
    clear.setAlphaF(0.0);
    rule.setColorAt(0.0, clear);
    rule.setColorAt(0.5, kAccent);
    rule.setColorAt(1.0, clear);
    p.fillRect(QRectF(60, ruleY, kSplashWidth - 120, qMax(pixel, 1.5)), rule);

    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    p.setFont(font);
    p.setPen(QColor(0xa8, 0xb8, 0xd4));
    p.drawText(QRectF(0, ruleY + 6, kSplashWidth, 20), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Unreal Tournament server monitor"));
}

QPixmap paintSplash(qreal dpr)
{
    QImage image(qRound(kSplashWidth * dpr), qRound(kSplashHeight * dpr), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(kTileBottom);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const qreal pixel = 1.0 / dpr;
    const QPointF scopeCentre(kSplashWidth / 2.0, 82);
    const qreal scopeRadius = 58;
    paintSplashBackdrop(p, scopeCentre, scopeRadius, pixel);
    paintScope(p, scopeCentre, scopeRadius, pixel, true);

    const qreal titleBaseline = 186;
    paintSplashTitle(p, titleBaseline);
    paintSplashSubtitle(p, titleBaseline + 10, pixel);

    // Hairline that sets the progress strip apart without drawing attention.
    p.fillRect(QRectF(0, kSplashFooterTop, kSplashWidth, pixel), QColor(0x2a, 0x3a, 0x5c));
    p.end();

    return QPixmap::fromImage(image);
}

struct Cache
{
    QIcon application;
    std::array<QIcon, IconFactory::TrayIconCount> tray;
    QHash<qreal, QPixmap> splash;
};

// Kept for the whole process on purpose: freeing pixmaps after the last
// QGuiApplication is gone is not something Qt promises to handle.
Cache &cache()
{
    static auto *instance = new Cache;
    return *instance;
}

bool canPaint()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

namespace IconFactory {

QIcon applicationIcon()
{
    if (!canPaint())
        return {};
    Cache &c = cache();
    if (c.application.isNull()) {
        QIcon icon;
        for (const int size : kApplicationSizes)
            icon.addPixmap(QPixmap::fromImage(paintBase(size, true)));
        c.application = icon;
    }
    return c.application;
}

QIcon trayIcon(int index)
{
    if (index <= TrayResting || index >= TrayIconCount)
        return applicationIcon();
    if (!canPaint())
        return {};
    QIcon &slot = cache().tray[static_cast<std::size_t>(index)];
    if (slot.isNull()) {
        QIcon icon;
        for (const int size : kTraySizes)
            icon.addPixmap(QPixmap::fromImage(paintTray(index, size)));
        slot = icon;
    }
    return slot;
}

QPixmap splashPicture(qreal devicePixelRatio)
{
    if (!canPaint())
        return {};
    if (!(devicePixelRatio > 0.0))
        devicePixelRatio = 1.0;
    QHash<qreal, QPixmap> &splash = cache().splash;
    auto it = splash.constFind(devicePixelRatio);
    if (it == splash.constEnd())
        it = splash.insert(devicePixelRatio, paintSplash(devicePixelRatio));
    return it.value();
}

} // namespace IconFactory
