#include "ScoreGraphSettingsPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The switches of the frame round the team score's bars or the score graph's:
// frame, thick border, raised.
struct FrameSwitches
{
    const char *part; // of the boxes' names
    const char *bars;
    std::array<bool Settings::*, 3> fields;
};

constexpr std::array<FrameSwitches, 2> kFrameSwitches = {{
    {"Team", "team score", {&Settings::PaintFrameTeam, &Settings::PaintThickTeam, &Settings::Paint3DFrameTeam}},
    {"Graph", "score graph", {&Settings::PaintFrameGraph, &Settings::PaintThickGraph, &Settings::Paint3DFrameGraph}},
}};

} // namespace

ScoreGraphSettingsPage::ScoreGraphSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_ScoreGraph", context)
{
    QSpinBox *minBarWidth = newSpinBox("se_MinBarWidth", QStringLiteral("Minimal bar width"), 0, 65535, 2);
    m_fontSize = newSpinBox("se_DefaultFontSize", QStringLiteral("Default font size"), 1, 72);
    m_exampleSize = named(new QLabel(QStringLiteral("example size"), this), "lbl_ExampleSize",
                          QStringLiteral("Example of the font size"));
    bind(minBarWidth, &Settings::MinBarWidth);
    bind(m_fontSize, &Settings::DefaultFontSize);
    connect(m_fontSize, &QSpinBox::valueChanged, this, &ScoreGraphSettingsPage::showExampleSize);
    showExampleSize(m_fontSize->value());
    for (std::size_t i = 0; i < kFrameSwitches.size(); ++i) {
        const QString part = QString::fromLatin1(kFrameSwitches[i].part);
        const QString bars = QString::fromLatin1(kFrameSwitches[i].bars);
        const QString caption = QStringLiteral("3D bars in the ") + bars;
        const FrameBoxes boxes{
            named(new QCheckBox(caption, this), QStringLiteral("cb_Frame_") + part, caption),
            named(new QCheckBox(QStringLiteral("Thick border"), this), QStringLiteral("cb_Thick_") + part,
                  QStringLiteral("Thick border (%1)").arg(bars)),
            named(new QCheckBox(QStringLiteral("Raised"), this), QStringLiteral("cb_3DFrame_") + part,
                  QStringLiteral("Raised (%1)").arg(bars)),
        };
        bind(boxes.frame, kFrameSwitches[i].fields[0]);
        bind(boxes.thick, kFrameSwitches[i].fields[1]);
        bind(boxes.raised, kFrameSwitches[i].fields[2]);
        // The sub boxes keep their values while the frame is off.
        const auto enableSubBoxes = [boxes](bool checked) {
            boxes.thick->setEnabled(checked);
            boxes.raised->setEnabled(checked);
        };
        enableSubBoxes(boxes.frame->isChecked());
        connect(boxes.frame, &QCheckBox::toggled, this, enableSubBoxes);
        m_frames[i] = boxes;
    }

    auto *form = new QFormLayout;
    form->addRow(newCaption(minBarWidth), minBarWidth);
    form->addRow(newCaption(m_fontSize), row({m_fontSize, m_exampleSize}, 1));
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    for (const FrameBoxes &boxes : m_frames) {
        layout->addWidget(boxes.frame);
        auto *sub = row({boxes.thick, boxes.raised}, 2);
        sub->setContentsMargins(boxes.frame->style()->pixelMetric(QStyle::PM_IndicatorWidth) * 2, 0, 0, 0);
        sub->addStretch();
        layout->addLayout(sub);
    }
    layout->addStretch();
}

void ScoreGraphSettingsPage::showExampleSize(int size)
{
    QFont font = m_exampleSize->font();
    font.setPointSize(size);
    m_exampleSize->setFont(font);
}
