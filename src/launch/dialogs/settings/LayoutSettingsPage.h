#pragma once

#include "SettingsPage.h"

#include <array>

class QLabel;

// "Layout": the title bar's format and the three server load colours, each
// with a button that opens the colour dialog and a swatch that shows it.
class LayoutSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit LayoutSettingsPage(const SettingsPageContext &context);

private:
    void chooseLoadColor(int which);
    void setSwatch(int which, int platformColor);

    std::array<int, 3> m_loadColors{};
    std::array<QLabel *, 3> m_swatches{};
};
