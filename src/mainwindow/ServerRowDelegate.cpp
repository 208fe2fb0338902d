#include "ServerRowDelegate.h"

#include "FramePainter.h"
#include "SystemColors.h"
#include "viewlogic/ServerRowLayout.h"
#include "core/ServerTable.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QStyleOptionButton>

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

// The check box in the first pixels, as the style draws one.
void paintCheckBox(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index)
{
    using ServerRowLayout::kCheckWidth;
    const QRect row = option.rect;
    const int H = row.height();
    const int T = row.top();
    const QPalette &pal = option.palette;
    painter->fillRect(QRect(row.left(), T, kCheckWidth, H), pal.color(QPalette::Base));
    QStyleOptionButton check;
    check.initFrom(option.widget);
    check.palette = pal;
    const int side = std::min(kCheckWidth - 2, H - 2);
    check.rect = QRect(row.left() + (kCheckWidth - side) / 2, T + (H - side) / 2, side, side);
    check.state = QStyle::State_Enabled
        | (index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &check, painter, widget);
}

// "[cur|max]" in the fixed-width font from the load box's left edge x in
// countsColor, then the name after it in the list's font in nameColor.
void paintCountsAndName(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index, int x,
                        const QByteArray &cur, const QByteArray &max, const QColor &countsColor,
                        const QColor &nameColor)
{
    using namespace ServerRowLayout;
    const QRect row = option.rect;
    const int H = row.height();
    const int T = row.top();
    const int points = std::max(1, qRound(option.font.pointSizeF()));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(option.font.pointSizeF());
    painter->setFont(mono);
    const int loadTop = loadTextTop(T, H, points);
    painter->setPen(countsColor);
    const auto text = [&](int dx, const QString &s) {
        painter->drawText(QRect(x + dx, loadTop, 40, H), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, s);
    };
    text(kOpenBracketX, QStringLiteral("["));
    text(kCurrentX, countText(cur));
    text(kBarX, QStringLiteral("|"));
    text(kMaximumX, countText(max));
    text(kCloseBracketX, QStringLiteral("]"));

    painter->setFont(option.font);
    painter->setPen(nameColor);
    const QRect nameRect(x + kNameX, nameTextTop(T, H, points), row.right() - (x + kNameX), H);
    const QString name = index.data(Qt::DisplayRole).toString();
    painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignTop,
                      option.fontMetrics.elidedText(name, Qt::ElideRight, nameRect.width()));
}

// The refresh button at left edge L, the same on every row.
void paintRefreshButton(QPainter *painter, const QPalette &pal, const QRect &row, int L)
{
    const int H = row.height();
    const int T = row.top();
    painter->fillRect(QRect(L, T, H + 1, H + 1).intersected(row), pal.color(QPalette::Base));
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

void ServerRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    using namespace ServerRowLayout;
    painter->save();
    const QRect row = option.rect;
    const int H = row.height();
    const int L = row.left() + kCheckWidth;
    const int T = row.top();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;
    const QColor background = pal.color(selected ? QPalette::Highlight : QPalette::Base);

    paintCheckBox(painter, option, index);
    painter->fillRect(QRect(L + H, T, row.right() - (L + H) + 1, H), background);

    const QByteArray cur = index.data(ServerTable::CurPlayersRole).toByteArray();
    const QByteArray max = index.data(ServerTable::MaxPlayersRole).toByteArray();
    const int x = L + H;
    const QColor box = loadColor(cur, max, background);
    painter->fillRect(QRect(x, T, kLoadBoxWidth, H), box);
    const QColor text = pal.color(selected ? QPalette::HighlightedText : QPalette::Text);
    // On a load colour the counts take black or white, whichever reads better.
    const QColor counts = box == background
        ? text
        : SystemColors::fromPlatform(loadTextColor(static_cast<quint32>(SystemColors::toPlatform(box))));
    paintCountsAndName(painter, option, index, x, cur, max, counts, text);
    paintRefreshButton(painter, pal, row, L);
    painter->restore();
}
