#pragma once

#include "HistoryPointView.h"
#include "history/HistorySource.h"
#include "viewlogic/HistoryPlotLayout.h"

// The busy hours of the week as a grid of days by hours, the busier the
// nearer the highlight colour, with its legend. The arrow keys step through
// the hours and days; the hour's figure becomes the accessible description.
class HistoryBusyHoursView final : public HistoryPointView
{
    Q_OBJECT
public:
    explicit HistoryBusyHoursView(QWidget *parent = nullptr);

    void setHours(const WeekHours &hours);
    HistoryPlotLayout::BusyGrid layout() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    int pointAt(const QPointF &position) const override;
    QString pointText(int index) const override;
    QPointF pointAnchor(int index) const override;
    QString summaryText() const override;

private:
    HistoryPlotLayout::BusyGrid layoutFor(double devicePixelRatio) const;

    WeekHours m_hours;
};
