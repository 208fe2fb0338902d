#pragma once

#include <QListWidget>

// lb_ScorePlayers: the players in bar order, each beside a square of its
// bar's colour. Its font size and row height follow the font buttons.
class ScoreLegend final : public QListWidget
{
    Q_OBJECT
public:
    explicit ScoreLegend(QWidget *parent = nullptr);

    void setNames(const QStringList &names);
    int fontSize() const { return m_fontSize; }
    int rowHeight() const { return m_rowHeight; }

    void increaseFontSize();
    void decreaseFontSize();
    void resetFontSize(int defaultFontSize);

private:
    void applyFont();

    int m_fontSize = 8;
    int m_rowHeight = 16;
};
