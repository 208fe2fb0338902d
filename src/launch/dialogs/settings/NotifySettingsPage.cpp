#include "NotifySettingsPage.h"

#include <QLabel>
#include <QVBoxLayout>

NotifySettingsPage::NotifySettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_Notify", context)
{
    auto *label = named(new QLabel(QStringLiteral("this feature isn't going to be build I guess"), this), "lbl_Notify");
    label->setEnabled(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}
