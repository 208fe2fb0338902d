#include "TeamScoreStrip.h"

#include "FramePainter.h"
#include "viewlogic/ScoreGraphLayout.h"
#include "widgets/SystemColors.h"

#include <QPainter>

TeamScoreStrip::TeamScoreStrip(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setAccessibleName(QStringLiteral("Team scores"));
    setMinimumHeight(20);
}

void TeamScoreStrip::setTeams(const QList<std::pair<QString, QString>> &teams)
{
    if (teams == m_teams)
        return;
    m_teams = teams;
    update();
}

void TeamScoreStrip::setOptions(const PaintOptions &options)
{
    m_options = options;
    update();
}

void TeamScoreStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int H = height();
    for (const ScoreGraphLayout::TeamBox &box : ScoreGraphLayout::layoutTeams(m_teams, width(), H)) {
        painter.fillRect(box.rect, SystemColors::fromPlatform(ScoreGraphLayout::teamColor(box.team)));

        QFont big = font();
        big.setPixelSize(std::max(1, H - 10));
        QFont small = font();
        small.setPixelSize(std::max(1, H - 15));
        const QString score = QString::number(box.score);
        const QString size = QStringLiteral(" (%1)").arg(box.size);
        const QFontMetrics bigMetrics(big);
        const int right = box.rect.left() + box.rect.width();
        const int x = box.rect.left() + (right - box.rect.left()) / 2 - bigMetrics.horizontalAdvance(score + size) / 2;
        const int y = H / 2 - bigMetrics.height() / 2;

        painter.setPen(box.team == 3 ? Qt::black : Qt::white);
        painter.setFont(big);
        painter.drawText(QPoint(x, y + 1 + bigMetrics.ascent()), score);
        painter.setFont(small);
        painter.drawText(QPoint(x + bigMetrics.horizontalAdvance(score), y + 1 + bigMetrics.ascent()), size);
        if (m_options.frame)
            drawFrameLines(painter, palette(),
                           ScoreGraphLayout::frameLines(box.rect, m_options.raised, m_options.thick));
    }
}
