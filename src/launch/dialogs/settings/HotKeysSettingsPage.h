#pragma once

#include "SettingsPage.h"

class HotKeyEdit;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// "Hot Keys": one row per command of HotKeys::table() with its shortcut, and
// a box that captures the key "Set hot key" gives the selected command.
class HotKeysSettingsPage final : public SettingsPage
{
    Q_OBJECT
public:
    explicit HotKeysSettingsPage(const SettingsPageContext &context);

    // The list starts again from the codes the dialog was given.
    void dialogShown() override;

    // Gives the selected command the captured key, unless another command
    // holds that key: two commands with one key would both go dead.
    void setHotKey();

private:
    // One row per command: its caption and its shortcut, or the command's
    // table text when it has none.
    void fillList();
    void rowChanged(QTreeWidgetItem *current);

    QList<int> m_loadedCodes;
    QTreeWidget *m_list = nullptr;
    QLineEdit *m_command = nullptr;
    HotKeyEdit *m_capture = nullptr;
};
