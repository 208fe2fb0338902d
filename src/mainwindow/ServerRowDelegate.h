#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QStaticText>
#include <QStyledItemDelegate>

#include <vector>

// Draws one row of the server list: the check box, the refresh button, the
// load box with "[cur|max]" on the load colour, and the server's name. The
// box of a server that stopped answering is grey, and one that answered in
// part has a mark in the box's corner.
//
// Rows are repainted far more often than their texts change, so each row
// keeps its texts laid out (until the name, the counts, the width or the
// font change), and the check boxes and the refresh button, the same on
// every row, are drawn once into pixmaps.
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

    // True when the row shows other counts, name, check mark or health than
    // the model holds now. A row never painted shows nothing to correct: once it
    // comes into view, it is painted as it is then.
    bool needsRepaint(const QModelIndex &index) const;

private:
    // What a row was last painted with, and its texts laid out.
    struct Row
    {
        bool painted = false;
        bool checked = false;
        bool stale = false;
        bool partial = false;
        QByteArray cur;
        QByteArray max;
        QString name;
        int nameWidth = -1;
        QStaticText curText;
        QStaticText maxText;
        // Empty when the elided name needs the full text layout of drawText.
        QStaticText nameText;
        QString elidedName;
    };
    // A pixmap drawn once and the look it was drawn for.
    struct Cached
    {
        QPixmap pixmap;
        qint64 paletteKey = -1;
        int colorGroup = -1;
        int height = -1;
        qreal pixelRatio = 0;
        const QStyle *style = nullptr;
        bool matches(const QPalette &palette, int rowHeight, qreal ratio, const QStyle *rowStyle) const;
        void remember(const QPalette &palette, int rowHeight, qreal ratio, const QStyle *rowStyle);
    };

    // The load box's colour for these player counts; the background when the maximum is 0.
    QColor loadColor(const QByteArray &cur, const QByteArray &max, const QColor &background) const;
    Row *rowFor(const QModelIndex &index) const;
    void useFonts(const QFont &font) const;
    void paintCounts(QPainter *painter, int x, int top, int height, Row *row, const QByteArray &cur,
                     const QByteArray &max) const;
    void paintName(QPainter *painter, const QRect &nameRect, const QFontMetrics &metrics, Row *row,
                   const QString &name) const;
    void paintPartialMark(QPainter *painter, int boxLeft, int top, const QColor &color) const;
    void paintCheckBox(QPainter *painter, const QStyleOptionViewItem &option, bool checked) const;
    void paintRefreshButton(QPainter *painter, const QPalette &pal, const QRect &row, int left) const;

    QColor m_belowHalf{0, 128, 0};
    QColor m_halfOrMore{128, 128, 0};
    QColor m_full{128, 0, 0};

    // Rows by slot; laid-out texts follow the fonts below.
    mutable std::vector<Row> m_rows;
    mutable QFont m_font;
    mutable QFont m_mono;
    mutable bool m_fontsSet = false;
    mutable QStaticText m_open;
    mutable QStaticText m_bar;
    mutable QStaticText m_close;
    mutable Cached m_checkBoxes[2];
    mutable Cached m_refreshButton;
};
