#pragma once

#include "history/HistorySource.h"
#include "viewlogic/HistoryPlotLayout.h"

#include <QWidget>

// The busy hours of the week as a grid of days by hours, the busier the
// nearer the highlight colour, with its legend. The arrow keys step through
// the hours and days; the hour's figure becomes the accessible description.
class HistoryBusyHoursView final : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryBusyHoursView(QWidget *parent = nullptr);

    void setHours(const WeekHours &hours);
    HistoryPlotLayout::BusyGrid layout() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    HistoryPlotLayout::BusyGrid layoutFor(double devicePixelRatio) const;
    void choose(int index);
    void describe();
    void showTip(int index);

    WeekHours m_hours;
    int m_current = -1;
    int m_hover = -1;
};
