#pragma once

#include "SettingsPage.h"

#include <array>

class QCheckBox;
class QLabel;
class QSpinBox;

// "Score Graph": the minimal bar width, the legend's font size with an
// example, and the frames of the team score's and the score graph's bars.
class ScoreGraphSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit ScoreGraphSettingsPage(const SettingsPageContext &context);

private:
    struct FrameBoxes
    {
        QCheckBox *frame = nullptr;
        QCheckBox *thick = nullptr;
        QCheckBox *raised = nullptr;
    };

    void showExampleSize(int size);

    QSpinBox *m_fontSize = nullptr;
    QLabel *m_exampleSize = nullptr;
    std::array<FrameBoxes, 2> m_frames{}; // the team score's, then the score graph's
};
