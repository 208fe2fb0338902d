#include "LayoutSettingsPage.h"

#include "widgets/SystemColors.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A load colour's button "btn_<name>" and its swatch "pnl_<name>".
struct LoadColorButton
{
    const char *name;
    const char *caption;
    const char *accessibleName;
    int Settings::*field;
};

constexpr std::array<LoadColorButton, 3> kLoadColorButtons = {{
    {"LoadColor50Minus", "< 50%", "Load colour below half", &Settings::LoadColorBelowHalf},
    {"LoadColor50Plus", "> 50%", "Load colour above half", &Settings::LoadColorHalf},
    {"LoadColor100", "Full", "Load colour of a full server", &Settings::LoadColorFull},
}};

} // namespace

LayoutSettingsPage::LayoutSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_Layout", context)
{
    QLineEdit *titleBar = newLineEdit("ed_TitleBar", QStringLiteral("Title bar content"));
    bind(titleBar, &Settings::TitleBarFormat);

    auto *colors = named(new QGroupBox(QStringLiteral("Server load colors"), this), "gb_LoadColors");
    auto *grid = new QGridLayout(colors);
    for (int i = 0; i < int(kLoadColorButtons.size()); ++i) {
        const LoadColorButton &control = kLoadColorButtons[i];
        const QString name = QString::fromLatin1(control.name);
        const QString accessibleName = QString::fromLatin1(control.accessibleName);
        auto *button = named(new QPushButton(QString::fromLatin1(control.caption), colors),
                             QStringLiteral("btn_") + name, accessibleName);
        auto *swatch = named(new QLabel(colors), QStringLiteral("pnl_") + name, accessibleName);
        swatch->setFrameShape(QFrame::Box);
        swatch->setAutoFillBackground(true);
        swatch->setMinimumSize(button->sizeHint().height() * 3, button->sizeHint().height());
        m_swatches[i] = swatch;
        hint({button, swatch}, "gb_LoadColors");
        connect(button, &QPushButton::clicked, this, [this, i] { chooseLoadColor(i); });
        grid->addWidget(button, i, 0);
        grid->addWidget(swatch, i, 1);
    }
    grid->setColumnStretch(2, 1);
    bind(
        [this](const SettingsValues &values) {
            for (int i = 0; i < int(kLoadColorButtons.size()); ++i)
                setSwatch(i, values.settings.*kLoadColorButtons[i].field);
        },
        [this](SettingsValues &values) {
            for (int i = 0; i < int(kLoadColorButtons.size()); ++i)
                values.settings.*kLoadColorButtons[i].field = m_loadColors[i];
        });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(newCaption(titleBar));
    layout->addLayout(row({new QLabel(QStringLiteral("Quorvelin - "), this), titleBar}, 1));
    layout->addWidget(colors);
    layout->addStretch();
}

void LayoutSettingsPage::setSwatch(int which, int platformColor)
{
    m_loadColors[which] = platformColor;
    QLabel *swatch = m_swatches[which];
    const QColor shown = SystemColors::fromPlatform(quint32(platformColor));
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, shown);
    swatch->setPalette(palette);
    swatch->setAccessibleDescription(shown.name());
}

void LayoutSettingsPage::chooseLoadColor(int which)
{
    const QColor chosen = context().chooseColor(SystemColors::fromPlatform(quint32(m_loadColors[which])), window());
    if (chosen.isValid())
        setSwatch(which, SystemColors::toPlatform(chosen));
}
