#include "ServerRowDelegate.h"

#include "FramePainter.h"
#include "widgets/SystemColors.h"
#include "viewlogic/ServerRowHealth.h"
#include "viewlogic/ServerRowLayout.h"
#include "core/ServerTable.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QStyleOptionButton>
#include <QTextOption>

#include <cmath>

namespace {

using ScoreGraphLayout::FrameColor;
using ScoreGraphLayout::FrameLine;

// The refresh button's raised frame, as lines ending before their last point.
QList<FrameLine> refreshButtonLines(int L, int T, int H)
{
    return {
        {QLine(L + H - 3, T + H - 4, L + 2, T + H - 4), FrameColor::DarkShadow},
        {QLine(L + H - 3, T + H - 4, L + H - 3, T + 2), FrameColor::DarkShadow},
        {QLine(L + H - 4, T + H - 5, L + 3, T + H - 5), FrameColor::Shadow},
        {QLine(L + H - 4, T + H - 5, L + H - 4, T + 3), FrameColor::Shadow},
        {QLine(L + 2, T + 1, L + 2, T + H - 2), FrameColor::Light},
        {QLine(L + 2, T + 1, L + H - 2, T + 1), FrameColor::Light},
        {QLine(L + 3, T + 2, L + 3, T + H - 3), FrameColor::Highlight},
        {QLine(L + 3, T + 2, L + H - 3, T + 2), FrameColor::Highlight},
    };
}

// Text that drawText lays out differently from a single plain line: line
// breaks and tabs, and right-to-left writing.
bool needsFullLayout(const QString &text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\n':
        case u'\r':
        case u'\t':
        case 0x2028: // line separator
        case 0x2029: // paragraph separator
            return true;
        default: break;
        }
        switch (c.direction()) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirRLI: return true;
        default: break;
        }
    }
    return false;
}

// A text laid out once as drawText would lay it out at a rectangle's top left.
QStaticText plainText(const QString &text)
{
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setTextDirection(Qt::LeftToRight);
    option.setWrapMode(QTextOption::ManualWrap);
    laidOut.setTextOption(option);
    return laidOut;
}

// Draws a text at a rectangle's top left, as drawText(rect, AlignLeft |
// AlignTop | TextDontClip, text) does; through its layout kept from an
// earlier row when there is one.
void drawLoadText(QPainter *painter, int x, int top, int height, const QString &text, const QStaticText &laidOut)
{
    if (laidOut.text().isEmpty() && !text.isEmpty())
        painter->drawText(QRect(x, top, 40, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    else if (!text.isEmpty())
        painter->drawStaticText(QPointF(x, top), laidOut);
}

QStaticText countLayout(const QString &text)
{
    return needsFullLayout(text) ? QStaticText() : plainText(text);
}

bool integralRatio(qreal ratio)
{
    return ratio >= 1 && std::floor(ratio) == ratio;
}

// A pixmap to draw into at the device's pixel ratio, logical size w x h.
QPixmap devicePixmap(int w, int h, qreal ratio)
{
    QPixmap pixmap(QSize(w, h) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The check box in a square of kCheckWidth x H from (left, top), as the style draws one.
void drawCheckBox(QPainter *painter, const QStyleOptionViewItem &option, bool checked, int left, int top, int H)
{
    using ServerRowLayout::kCheckWidth;
    const QPalette &pal = option.palette;
    painter->fillRect(QRect(left, top, kCheckWidth, H), pal.color(QPalette::Base));
    QStyleOptionButton check;
    check.initFrom(option.widget);
    check.palette = pal;
    const int side = std::min(kCheckWidth - 2, H - 2);
    check.rect = QRect(left + (kCheckWidth - side) / 2, top + (H - side) / 2, side, side);
    check.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, widget);
}

// The refresh button at left edge L and top T, H high, the same on every row.
// clip: the row, which the button's background does not leave.
void drawRefreshButton(QPainter *painter, const QPalette &pal, const QRect &clip, int L, int T, int H)
{
    painter->fillRect(QRect(L, T, H + 1, H + 1).intersected(clip), pal.color(QPalette::Base));
    painter->fillRect(QRect(L + 2, T + 2, H - 4, H - 4), pal.color(QPalette::Button));
    drawFrameLines(*painter, pal, refreshButtonLines(L, T, H));

    // A small circular arrow, so the square does not read as a second check box.
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(pal.color(QPalette::ButtonText), 1.2));
    const QRectF arc(L + 4.5, T + 4.5, H - 10, H - 10);
    painter->drawArc(arc, 60 * 16, 270 * 16);
    const QPointF tip(arc.center().x() + arc.width() / 2 * 0.5, arc.top() + arc.height() * 0.07);
    painter->setBrush(pal.color(QPalette::ButtonText));
    painter->drawPolygon(QPolygonF({tip + QPointF(2.2, 0), tip + QPointF(-0.8, -2.0), tip + QPointF(-0.8, 2.0)}));
}

} // namespace

void ServerRowDelegate::setLoadColors(const QColor &belowHalf, const QColor &halfOrMore, const QColor &full)
{
    m_belowHalf = belowHalf;
    m_halfOrMore = halfOrMore;
    m_full = full;
}

QSize ServerRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width() + ServerRowLayout::kNameX + 40,
                 ServerRowLayout::kItemHeight);
}

QColor ServerRowDelegate::loadColor(const QByteArray &cur, const QByteArray &max, const QColor &background) const
{
    using ServerRowLayout::LoadLevel;
    switch (ServerRowLayout::loadLevel(cur, max)) {
    case LoadLevel::BelowHalf: return m_belowHalf;
    case LoadLevel::HalfOrMore: return m_halfOrMore;
    case LoadLevel::Full: return m_full;
    case LoadLevel::Background: break;
    }
    return background;
}

ServerRowDelegate::Row *ServerRowDelegate::rowFor(const QModelIndex &index) const
{
    bool ok = false;
    const int slot = index.data(ServerTable::SlotRole).toInt(&ok);
    if (!ok || slot < 0 || slot >= ServerTable::kSlotCount)
        return nullptr;
    if (m_rows.empty())
        m_rows.resize(ServerTable::kSlotCount);
    return &m_rows[static_cast<size_t>(slot)];
}

bool ServerRowDelegate::needsRepaint(const QModelIndex &index) const
{
    const Row *row = rowFor(index);
    if (!row)
        return true;
    return row->painted
           && (row->checked != (index.data(Qt::CheckStateRole).toInt() == Qt::Checked)
               || row->cur != index.data(ServerTable::CurPlayersRole).toByteArray()
               || row->max != index.data(ServerTable::MaxPlayersRole).toByteArray()
               || row->stale != index.data(ServerTable::StaleRole).toBool()
               || row->partial != index.data(ServerTable::PartialRole).toBool()
               || row->name != index.data(Qt::DisplayRole).toString());
}

void ServerRowDelegate::useFonts(const QFont &font) const
{
    if (m_fontsSet && font == m_font && font.resolveMask() == m_font.resolveMask())
        return;
    m_fontsSet = true;
    m_font = font;
    m_mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_mono.setPointSizeF(font.pointSizeF());
    m_open = plainText(QStringLiteral("["));
    m_bar = plainText(QStringLiteral("|"));
    m_close = plainText(QStringLiteral("]"));
    // Every text is laid out again in the new fonts.
    for (Row &row : m_rows) {
        row.nameWidth = -1;
        row.curText = countLayout(ServerRowLayout::countText(row.cur));
        row.maxText = countLayout(ServerRowLayout::countText(row.max));
    }
}

// "[cur|max]" in the fixed-width font from the load box's left edge x.
void ServerRowDelegate::paintCounts(QPainter *painter, int x, int top, int height, Row *row, const QByteArray &cur,
                                    const QByteArray &max) const
{
    using namespace ServerRowLayout;
    const QString curText = countText(cur);
    const QString maxText = countText(max);
    if (row && (!row->painted || row->cur != cur))
        row->curText = countLayout(curText);
    if (row && (!row->painted || row->max != max))
        row->maxText = countLayout(maxText);
    painter->setFont(m_mono);
    drawLoadText(painter, x + kOpenBracketX, top, height, QStringLiteral("["), m_open);
    drawLoadText(painter, x + kCurrentX, top, height, curText, row ? row->curText : QStaticText());
    drawLoadText(painter, x + kBarX, top, height, QStringLiteral("|"), m_bar);
    drawLoadText(painter, x + kMaximumX, top, height, maxText, row ? row->maxText : QStaticText());
    drawLoadText(painter, x + kCloseBracketX, top, height, QStringLiteral("]"), m_close);
}

// The name, elided to the rectangle's width and clipped to it.
void ServerRowDelegate::paintName(QPainter *painter, const QRect &nameRect, const QFontMetrics &metrics, Row *row,
                                  const QString &name) const
{
    painter->setFont(m_font);
    if (row && (row->nameWidth != nameRect.width() || row->name != name || !row->painted)) {
        row->nameWidth = nameRect.width();
        row->elidedName = metrics.elidedText(name, Qt::ElideRight, nameRect.width());
        row->nameText = needsFullLayout(row->elidedName) ? QStaticText() : plainText(row->elidedName);
    }
    if (!row || (row->nameText.text().isEmpty() && !row->elidedName.isEmpty())) {
        const QString elided = row ? row->elidedName : metrics.elidedText(name, Qt::ElideRight, nameRect.width());
        painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignTop, elided);
        return;
    }
    if (row->elidedName.isEmpty())
        return;
    painter->setClipRect(nameRect, Qt::IntersectClip);
    painter->drawStaticText(nameRect.topLeft(), row->nameText);
}

bool ServerRowDelegate::Cached::matches(const QPalette &palette, int rowHeight, qreal ratio,
                                        const QStyle *rowStyle) const
{
    return !pixmap.isNull() && paletteKey == palette.cacheKey() && colorGroup == palette.currentColorGroup()
           && height == rowHeight && pixelRatio == ratio && style == rowStyle;
}

void ServerRowDelegate::Cached::remember(const QPalette &palette, int rowHeight, qreal ratio, const QStyle *rowStyle)
{
    paletteKey = palette.cacheKey();
    colorGroup = palette.currentColorGroup();
    height = rowHeight;
    pixelRatio = ratio;
    style = rowStyle;
}

// The mark of a partial reply in the load box's corner, in the counts' colour.
void ServerRowDelegate::paintPartialMark(QPainter *painter, int boxLeft, int top, const QColor &color) const
{
    const std::array<QPoint, 3> corner = ServerRowHealth::partialMark(boxLeft, top);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(color);
    painter->setBrush(color);
    painter->drawPolygon(corner.data(), static_cast<int>(corner.size()));
    painter->restore();
}

void ServerRowDelegate::paintCheckBox(QPainter *painter, const QStyleOptionViewItem &option, bool checked) const
{
    using ServerRowLayout::kCheckWidth;
    const QRect row = option.rect;
    const int H = row.height();
    const qreal ratio = painter->device()->devicePixelRatioF();
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    if (!integralRatio(ratio) || row.width() < kCheckWidth) {
        drawCheckBox(painter, option, checked, row.left(), row.top(), H);
        return;
    }
    Cached &cached = m_checkBoxes[checked ? 1 : 0];
    if (!cached.matches(option.palette, H, ratio, style)) {
        cached.pixmap = devicePixmap(kCheckWidth, H, ratio);
        QPainter p(&cached.pixmap);
        drawCheckBox(&p, option, checked, 0, 0, H);
        p.end();
        cached.remember(option.palette, H, ratio, style);
    }
    painter->drawPixmap(row.topLeft(), cached.pixmap);
}

void ServerRowDelegate::paintRefreshButton(QPainter *painter, const QPalette &pal, const QRect &row, int L) const
{
    const int H = row.height();
    const int T = row.top();
    const qreal ratio = painter->device()->devicePixelRatioF();
    // The button's background is one pixel wider than the row is high.
    if (!integralRatio(ratio) || row.right() < L + H) {
        painter->save();
        drawRefreshButton(painter, pal, row, L, T, H);
        painter->restore();
        return;
    }
    if (!m_refreshButton.matches(pal, H, ratio, nullptr)) {
        m_refreshButton.pixmap = devicePixmap(H + 1, H, ratio);
        QPainter p(&m_refreshButton.pixmap);
        drawRefreshButton(&p, pal, QRect(0, 0, H + 1, H), 0, 0, H);
        p.end();
        m_refreshButton.remember(pal, H, ratio, nullptr);
    }
    painter->drawPixmap(QPoint(L, T), m_refreshButton.pixmap);
}

void ServerRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    using namespace ServerRowLayout;
    painter->save();
    useFonts(option.font);
    Row *cache = rowFor(index);
    const QRect row = option.rect;
    const int H = row.height();
    const int L = row.left() + kCheckWidth;
    const int T = row.top();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;
    const QColor background = pal.color(selected ? QPalette::Highlight : QPalette::Base);
    const bool checked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;

    paintCheckBox(painter, option, checked);
    painter->fillRect(QRect(L + H, T, row.right() - (L + H) + 1, H), background);

    const QByteArray cur = index.data(ServerTable::CurPlayersRole).toByteArray();
    const QByteArray max = index.data(ServerTable::MaxPlayersRole).toByteArray();
    const bool stale = index.data(ServerTable::StaleRole).toBool();
    const bool partial = index.data(ServerTable::PartialRole).toBool();
    const int x = L + H;
    const auto platform = [](const QColor &color) { return static_cast<quint32>(SystemColors::toPlatform(color)); };
    QColor box = loadColor(cur, max, background);
    if (stale)
        box = SystemColors::fromPlatform(ServerRowHealth::staleBoxColor(platform(box), platform(background)));
    painter->fillRect(QRect(x, T, kLoadBoxWidth, H), box);
    const QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    // On a load colour the counts take black or white, whichever reads better.
    const QColor counts = box == background ? text : SystemColors::fromPlatform(loadTextColor(platform(box)));
    const int points = std::max(1, qRound(option.font.pointSizeF()));
    painter->setPen(counts);
    paintCounts(painter, x, loadTextTop(T, H, points), H, cache, cur, max);
    if (partial)
        paintPartialMark(painter, x, T, counts);
    // The button covers the load box's first column.
    paintRefreshButton(painter, pal, row, L);

    painter->setPen(text);
    const QRect nameRect(x + kNameX, nameTextTop(T, H, points), row.right() - (x + kNameX), H);
    const QString name = index.data(Qt::DisplayRole).toString();
    paintName(painter, nameRect, option.fontMetrics, cache, name);
    painter->restore();

    if (cache) {
        cache->painted = true;
        cache->checked = checked;
        cache->stale = stale;
        cache->partial = partial;
        cache->cur = cur;
        cache->max = max;
        cache->name = name;
    }
}
