#include "ConnectionSettingsPage.h"

#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

ConnectionSettingsPage::ConnectionSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_Connection", context)
{
    QSpinBox *localPort = newSpinBox("se_LocalPort", QStringLiteral("Local connection port"), 0, 65535, 5);
    QSpinBox *timeOut = newSpinBox("se_ServerTimeOut", QStringLiteral("Server time-out"), 1, 90, 2);
    QSpinBox *sleepTime = newSpinBox("se_SleepTime", QStringLiteral("Server scan delay"), 0, 1000);
    bind(localPort, &Settings::LocalPort);
    bind(timeOut, &Settings::ServerTimeOut);
    bind(sleepTime, &Settings::SleepTime);
    auto *form = new QFormLayout(this);
    for (QSpinBox *box : {localPort, timeOut, sleepTime})
        form->addRow(newCaption(box), box);
}
