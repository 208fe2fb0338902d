#pragma once

#include "HistoryPointView.h"
#include "history/HistorySource.h"
#include "viewlogic/HistoryPlotLayout.h"

#include <QTimeZone>

// Players of one server over a span of time, with the map of each sample
// at the point under the mouse or the keyboard's point: Left and Right step
// through the samples, Page Up and Page Down by one tick, Home and End to
// the ends; the point's figures become the accessible description.
class HistoryPlotView final : public HistoryPointView
{
    Q_OBJECT
public:
    HistoryPlotView(const QString &objectName, const QString &accessibleName, QWidget *parent = nullptr);

    // Keeps the point the keyboard chose at the same time, if any.
    void setSamples(const QList<HistorySample> &samples, qint64 from, qint64 to, const QTimeZone &zone);
    HistoryPlotLayout::Plot layout() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    int pointAt(const QPointF &position) const override;
    QString pointText(int index) const override;
    QPointF pointAnchor(int index) const override;
    QString summaryText() const override { return m_summary; }

private:
    HistoryPlotLayout::Plot layoutFor(double devicePixelRatio) const;
    QRectF plotArea() const;

    QList<HistorySample> m_samples;
    qint64 m_from = 0;
    qint64 m_to = 1;
    QTimeZone m_zone;
    QString m_summary;
};
