#include "ScoreLegend.h"

#include "viewlogic/ScoreGraphLayout.h"
#include "widgets/SystemColors.h"

#include <QPainter>
#include <QStyledItemDelegate>

namespace {

class LegendRowDelegate final : public QStyledItemDelegate
{
public:
    explicit LegendRowDelegate(ScoreLegend *legend)
        : QStyledItemDelegate(legend)
        , m_legend(legend)
        , m_palette(ScoreGraphLayout::BarPalette())
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + m_legend->rowHeight() + 3,
                     m_legend->rowHeight());
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const int side = r.height();
        painter->save();
        painter->fillRect(r, option.palette.color(QPalette::Base));
        const size_t colour = static_cast<size_t>(std::min(index.row(), ScoreGraphLayout::kPaletteSize - 1));
        painter->setPen(Qt::black);
        painter->setBrush(SystemColors::fromPlatform(m_palette[colour]));
        painter->drawRect(QRect(r.left(), r.top(), side - 1, side - 1));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->setFont(option.font);
        const int textHeight = option.fontMetrics.height();
        painter->drawText(QPoint(r.left() + side + 3, r.top() + (side - textHeight) / 2 + option.fontMetrics.ascent()),
                          index.data().toString());
        painter->restore();
    }

private:
    const ScoreLegend *m_legend;
    std::array<quint32, ScoreGraphLayout::kPaletteSize> m_palette;
};

} // namespace

ScoreLegend::ScoreLegend(QWidget *parent)
    : QListWidget(parent)
{
    setObjectName(QStringLiteral("lb_ScorePlayers"));
    setAccessibleName(QStringLiteral("Score legend"));
    setItemDelegate(new LegendRowDelegate(this));
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
    applyFont();
}

void ScoreLegend::setNames(const QStringList &names)
{
    setUpdatesEnabled(false);
    clear();
    addItems(names);
    setUpdatesEnabled(true);
}

void ScoreLegend::increaseFontSize()
{
    ++m_fontSize;
    ++m_rowHeight;
    applyFont();
}

void ScoreLegend::decreaseFontSize()
{
    if (m_fontSize <= 1)
        return;
    --m_fontSize;
    --m_rowHeight;
    applyFont();
}

void ScoreLegend::resetFontSize(int defaultFontSize)
{
    m_fontSize = std::max(1, defaultFontSize);
    m_rowHeight = 2 * m_fontSize;
    applyFont();
}

void ScoreLegend::applyFont()
{
    QFont f = font();
    f.setPointSize(m_fontSize);
    setFont(f);
    // Rows take their new height from the delegate's size hint.
    doItemsLayout();
}
