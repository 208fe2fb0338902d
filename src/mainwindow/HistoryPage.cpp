#include "HistoryPage.h"

#include "HistoryBusyHoursView.h"
#include "HistoryPlotView.h"
#include "viewlogic/HistoryPlotLayout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The busy hours average over this many weeks: recent enough to still hold.
constexpr int kBusyWeeks = 4;

QLabel *caption(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

HistoryPage::HistoryPage(QWidget *parent)
    : QWidget(parent)
    , m_zone(QTimeZone::systemTimeZone())
    , m_title(new QLabel(this))
    , m_empty(new QLabel(QStringLiteral("No history yet for this server"), this))
    , m_content(new QWidget(this))
    , m_day(new HistoryPlotView(QStringLiteral("pbx_History24h"), QStringLiteral("Players over the last 24 hours"),
                                m_content))
    , m_week(new HistoryPlotView(QStringLiteral("pbx_History7d"), QStringLiteral("Players over the last 7 days"),
                                 m_content))
    , m_busy(new HistoryBusyHoursView(m_content))
    , m_text(new QPlainTextEdit(m_content))
{
    setObjectName(QStringLiteral("ts_History"));
    m_title->setObjectName(QStringLiteral("lbl_HistoryServer"));
    m_empty->setObjectName(QStringLiteral("lbl_NoHistory"));
    m_empty->setAccessibleName(m_empty->text());
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setFocusPolicy(Qt::TabFocus);
    m_text->setObjectName(QStringLiteral("mm_History"));
    m_text->setAccessibleName(QStringLiteral("History figures"));
    m_text->setReadOnly(true);
    m_text->setTabChangesFocus(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A caret lets the keyboard and screen readers walk the lines.
    m_text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);

    auto *plots = new QWidget(m_content);
    auto *plotsLayout = new QVBoxLayout(plots);
    plotsLayout->setContentsMargins(0, 0, 0, 0);
    plotsLayout->addWidget(caption(QStringLiteral("Players, last 24 hours"), m_day, plots));
    plotsLayout->addWidget(m_day, 1);
    plotsLayout->addWidget(caption(QStringLiteral("Players, last 7 days"), m_week, plots));
    plotsLayout->addWidget(m_week, 1);
    plotsLayout->addWidget(
        caption(QStringLiteral("Busy hours, average players over the last %1 weeks").arg(kBusyWeeks), m_busy, plots));
    plotsLayout->addWidget(m_busy, 1);

    auto *splitter = new QSplitter(Qt::Horizontal, m_content);
    splitter->addWidget(plots);
    splitter->addWidget(m_text);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    auto *contentLayout = new QVBoxLayout(m_content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->addWidget(splitter);

    // Scrolled rather than squeezed: the page must not make the window's
    // least size larger than the other pages do.
    auto *inner = new QWidget(this);
    auto *innerLayout = new QVBoxLayout(inner);
    innerLayout->addWidget(m_title);
    innerLayout->addWidget(m_empty, 1);
    innerLayout->addWidget(m_content, 1);
    m_content->hide();
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    setTabOrder(m_day, m_week);
    setTabOrder(m_week, m_busy);
    setTabOrder(m_busy, m_text);
}

void HistoryPage::setSource(HistorySource *source)
{
    m_source = source;
}

void HistoryPage::showServer(const HistoryServer &server, qint64 now)
{
    m_title->setText(QStringLiteral("History of ") + server.key());
    QList<HistorySample> week;
    WeekHours hours;
    hours.fill(-1);
    if (m_source) {
        week = m_source->samples(server, now - HistoryPlotLayout::kWeek, now);
        hours = m_source->busyHours(server, now - kBusyWeeks * HistoryPlotLayout::kWeek);
    }
    const bool anyHour = std::any_of(hours.begin(), hours.end(), [](double value) { return value >= 0; });
    // Only what is in view counts for the page's least size.
    const bool empty = week.isEmpty() && !anyHour;
    m_content->setVisible(!empty);
    m_empty->setVisible(empty);
    if (empty)
        return;

    const qint64 dayStart = now - HistoryPlotLayout::kDay;
    const auto firstOfDay = std::lower_bound(week.cbegin(), week.cend(), dayStart,
                                             [](const HistorySample &s, qint64 time) { return s.time < time; });
    m_day->setSamples(QList<HistorySample>(firstOfDay, week.cend()), dayStart, now, m_zone);
    m_week->setSamples(week, now - HistoryPlotLayout::kWeek, now, m_zone);
    m_busy->setHours(hours);

    // A refresh with the same figures leaves the reader's place alone.
    const QString text = HistoryPlotLayout::textLines(week, hours, now, m_zone).join(QLatin1Char('\n'));
    if (text != m_text->toPlainText()) {
        const int scrolled = m_text->verticalScrollBar()->value();
        m_text->setPlainText(text);
        m_text->verticalScrollBar()->setValue(scrolled);
    }
}
