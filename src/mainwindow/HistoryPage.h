#pragma once

#include "history/HistorySource.h"

#include <QTimeZone>
#include <QWidget>

class HistoryBusyHoursView;
class HistoryPlotView;
class QLabel;
class QPlainTextEdit;

// The "History" page: the selected server's players over the last day and
// the last week, its busy hours, and the same figures as text.
class HistoryPage final : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryPage(QWidget *parent = nullptr);

    // Not owned; null shows no history.
    void setSource(HistorySource *source);
    // Reads the server's history up to now, seconds since the epoch, UTC;
    // showing the same server again refreshes it.
    void showServer(const HistoryServer &server, qint64 now);
    // The page scrolls, so it asks for no room of its own: the window's
    // split stays where the other pages put it.
    QSize sizeHint() const override { return minimumSizeHint(); }

private:
    HistorySource *m_source = nullptr;
    QTimeZone m_zone;
    QLabel *m_title;
    QLabel *m_empty;
    QWidget *m_content;
    HistoryPlotView *m_day;
    HistoryPlotView *m_week;
    HistoryBusyHoursView *m_busy;
    QPlainTextEdit *m_text;
};
