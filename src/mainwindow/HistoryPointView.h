#pragma once

#include <QPointF>
#include <QString>
#include <QWidget>

// A chart whose points the mouse and the keyboard pick. The mouse's point
// shows its figures in a tip; the keyboard's point also becomes the tool tip
// and the accessible description, so a screen reader reads its figures, and
// without one both say the chart's summary.
class HistoryPointView : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPointView(QWidget *parent = nullptr);

protected:
    // The point under the mouse, or -1.
    virtual int pointAt(const QPointF &position) const = 0;
    virtual QString pointText(int index) const = 0;
    // Where a point's tip is shown, in the widget's coordinates.
    virtual QPointF pointAnchor(int index) const = 0;
    virtual QString summaryText() const = 0;

    int currentPoint() const { return m_current; }
    int hoveredPoint() const { return m_hover; }
    // Makes index (or -1) the keyboard's point, says its figures and shows its tip.
    void choose(int index);
    // For new figures: the keyboard's point becomes index without a tip,
    // the mouse's is forgotten.
    void resetPoints(int current);
    void describe();

    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void showTip(int index);

    int m_current = -1;
    int m_hover = -1;
};
