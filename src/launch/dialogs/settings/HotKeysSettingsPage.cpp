#include "HotKeysSettingsPage.h"

#include "config/HotKeys.h"
#include "launch/dialogs/HotKeyEdit.h"
#include "platform/MessageBoxes.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

HotKeysSettingsPage::HotKeysSettingsPage(const SettingsPageContext &context)
    : SettingsPage("ts_HotKeys", context)
{
    m_list = named(new QTreeWidget(this), "lv_HotKeys", QStringLiteral("Hot keys"));
    m_list->setHeaderLabels({QStringLiteral("Command"), QStringLiteral("Hot key")});
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_command = newLineEdit("ed_HotKeyCommand", QStringLiteral("Command"), true);
    m_capture = named(new HotKeyEdit(this), "hk_HotKey", QStringLiteral("Hot key"));
    QPushButton *set = newButton("btn_SetHotKey", QStringLiteral("Set hot key"), QStringLiteral("Set hot key"));
    connect(m_list, &QTreeWidget::currentItemChanged, this, &HotKeysSettingsPage::rowChanged);
    connect(set, &QPushButton::clicked, this, &HotKeysSettingsPage::setHotKey);
    bind(
        [this](const SettingsValues &values) {
            m_loadedCodes = values.hotKeyCodes;
            fillList();
        },
        [this](SettingsValues &values) {
            values.hotKeyCodes.clear();
            for (int i = 0; i < m_list->topLevelItemCount(); ++i)
                values.hotKeyCodes.append(HotKeys::codeOfText(m_list->topLevelItem(i)->text(1)));
        });

    auto *form = new QFormLayout;
    form->addRow(newCaption(m_command), m_command);
    form->addRow(newCaption(m_capture), row({m_capture, set}));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(form);
}

void HotKeysSettingsPage::dialogShown()
{
    fillList();
}

void HotKeysSettingsPage::fillList()
{
    m_list->clear();
    const QList<HotKeys::Row> &table = HotKeys::table();
    // A command without a shortcut shows its table text, so OK gives it
    // back, unless another command holds that key now.
    const QList<int> shown = HotKeys::shownCodes(m_loadedCodes);
    for (qsizetype i = 0; i < table.size(); ++i)
        new QTreeWidgetItem(m_list, {table[i].caption, HotKeys::textOf(shown[i])});
    m_command->clear();
    m_capture->setKey(QKeyCombination());
}

void HotKeysSettingsPage::rowChanged(QTreeWidgetItem *current)
{
    m_command->setText(current ? current->text(0) : QString());
    m_capture->setKey(current ? HotKeys::keyOf(HotKeys::codeOfText(current->text(1))) : QKeyCombination());
}

void HotKeysSettingsPage::setHotKey()
{
    QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    const int code = HotKeys::codeOf(m_capture->key());
    for (int i = 0; code != 0 && i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *holder = m_list->topLevelItem(i);
        if (holder != item && HotKeys::codeOfText(holder->text(1)) == code) {
            context().messages.showWarning(QStringLiteral("%1 is already the hot key of \"%2\".\n"
                                                          "Clear it there first to give it to \"%3\".")
                                               .arg(HotKeys::textOf(code), holder->text(0), item->text(0)));
            return;
        }
    }
    item->setText(1, HotKeys::textOf(code));
}
