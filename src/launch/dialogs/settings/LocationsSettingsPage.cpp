#include "LocationsSettingsPage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kMasterPreset = QStringLiteral("<ip or hostname>:<port> or <http://location>");

} // namespace

LocationsSettingsPage::LocationsSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_Locations", context)
{
    m_versionServers = named(new QListWidget(this), "lb_VersionServers", QStringLiteral("Version database servers"));
    m_versionServers->setEnabled(false);
    m_versionServers->setMaximumHeight(m_versionServers->fontMetrics().height() * 4);
    m_masterServers = named(new QListWidget(this), "lb_MasterServers", QStringLiteral("Master servers"));
    QPushButton *add = newButton("btn_AddMasterServer", QStringLiteral("+"), QStringLiteral("Add a master server"));
    QPushButton *remove =
        newButton("btn_RemoveMasterServer", QStringLiteral("-"), QStringLiteral("Remove selected server"));
    QLineEdit *ngWorldStats = newLineEdit("ed_ngWorldStats", QStringLiteral("ngWorldStats server"));
    bind(
        [this](const SettingsValues &values) {
            m_versionServers->clear();
            m_versionServers->addItems({values.settings.VersionServer1, values.settings.VersionServer2});
            m_masterServers->clear();
            m_masterServers->addItems(values.masterServers);
        },
        [this](SettingsValues &values) {
            values.masterServers.clear();
            for (int i = 0; i < m_masterServers->count(); ++i)
                values.masterServers.append(m_masterServers->item(i)->text());
        });
    bind(ngWorldStats, &Settings::NgWorldStats);
    QLabel *versionCaption = newCaption(m_versionServers);
    hint({versionCaption}, "lb_VersionServers");
    connect(add, &QPushButton::clicked, this, &LocationsSettingsPage::addMasterServer);
    connect(remove, &QPushButton::clicked, this, &LocationsSettingsPage::removeMasterServer);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto *masters = new QHBoxLayout;
    masters->addWidget(m_masterServers, 1);
    masters->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(versionCaption);
    layout->addWidget(m_versionServers);
    layout->addWidget(newCaption(m_masterServers));
    layout->addLayout(masters, 1);
    addCaptioned(layout, {ngWorldStats});
}

void LocationsSettingsPage::addMasterServer()
{
    const std::optional<QString> text =
        context().askText(QStringLiteral("Add a master server"),
                          QStringLiteral("Please enter the master server location and port."), kMasterPreset);
    if (text && !text->isEmpty() && *text != kMasterPreset)
        m_masterServers->addItem(*text);
}

void LocationsSettingsPage::removeMasterServer()
{
    const QList<QListWidgetItem *> selected = m_masterServers->selectedItems();
    if (!selected.isEmpty())
        delete selected.first();
}
