#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// Draws one row of the server list: the check box, the refresh button, the
// load box with "[cur|max]" on the load colour, and the server's name.
class ServerRowDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Colours of a server below half load, at half or more, and full.
    void setLoadColors(const QColor &belowHalf, const QColor &halfOrMore, const QColor &full);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The list itself answers clicks on the check box and the refresh square.
    bool editorEvent(QEvent *, QAbstractItemModel *, const QStyleOptionViewItem &, const QModelIndex &) override
    {
        return false;
    }

private:
    // The load box's colour for these player counts; the background when the maximum is 0.
    QColor loadColor(const QByteArray &cur, const QByteArray &max, const QColor &background) const;

    QColor m_belowHalf{0, 128, 0};
    QColor m_halfOrMore{128, 128, 0};
    QColor m_full{128, 0, 0};
};
