#pragma once

#include "viewlogic/PaintOptions.h"
#include "viewlogic/PlayerRows.h"
#include "viewlogic/ScoreGraphLayout.h"

#include <QWidget>

// pbx_ScoreGraph: one bar per player, scaled to the leading score, highest
// first, in the colours of the legend.
class ScoreGraphView final : public QWidget
{
    Q_OBJECT
public:
    explicit ScoreGraphView(QWidget *parent = nullptr);

    void setRows(const QList<PlayerRows::Row> &rows);
    void setOptions(const PaintOptions &options, int minBarWidth);
    ScoreGraphLayout::Graph layout() const;

Q_SIGNALS:
    // The legend's names, in bar order.
    void legendChanged(const QStringList &names);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<PlayerRows::Row> m_rows;
    bool m_rowsSet = false;
    PaintOptions m_options;
    int m_minBarWidth = 0;
    std::array<quint32, ScoreGraphLayout::kPaletteSize> m_palette;
};
