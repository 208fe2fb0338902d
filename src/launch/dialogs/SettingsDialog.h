#pragma once

#include "settings/SettingsPageContext.h"
#include "settings/SettingsValues.h"

#include <QDialog>
#include <QHash>
#include <QStringList>

#include <array>
#include <functional>

class FileDialogs;
class HotKeysSettingsPage;
class MessageBoxes;
class QPlainTextEdit;
class QStackedWidget;
class QTreeWidget;
class SettingsPage;
class SoundPlayer;
class SpeechEngine;

// "Settings": every user setting on nine pages, the hot keys of the menu
// commands, and a box with the help text of the control under the mouse or
// with the keyboard focus. The dialog is the frame: the page list, the pages,
// the hint box and the buttons; each page loads and stores its own controls.
// It only edits; OK hands values() to the committer, which writes and applies
// them, or refuses and keeps the dialog open.
class SettingsDialog final : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        FileDialogs &files;
        SoundPlayer &sound;
        SpeechEngine *speech; // the dialog's own voice for the test button; may be null
        MessageBoxes &messages;
    };
    using Values = SettingsValues;

    enum Page {
        LayoutPage,
        ScoreGraphPage,
        ConnectionPage,
        MiscelaneousPage,
        LocationsPage,
        HotKeysPage,
        SoundPage,
        NotifyPage,
        HtmlOutputPage,
        PageCount
    };

    using ColorChooser = SettingsPageContext::ColorChooser;
    using TextAsker = SettingsPageContext::TextAsker;
    // Takes the values on OK; false keeps the dialog open with them.
    using Committer = std::function<bool(const Values &values)>;

    SettingsDialog(const Context &context, const Values &values, const QStringList &voiceNames,
                   QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // What the controls hold now.
    Values values() const;

    void setColorChooser(ColorChooser chooser) { m_pageContext.chooseColor = std::move(chooser); }
    void setTextAsker(TextAsker asker) { m_pageContext.askText = std::move(asker); }
    void setCommitter(Committer committer) { m_commit = std::move(committer); }

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTreeWidget *buildPageTree();
    void showPage(int page);
    // Shows the hint of hintName when control gets the mouse or the focus.
    void attachHint(QWidget *control, const QString &hintName);

    SettingsPageContext m_pageContext;
    Values m_values;
    Committer m_commit;
    QHash<QObject *, QString> m_hintOf;
    bool m_shown = false;

    QTreeWidget *m_pageTree = nullptr;
    QStackedWidget *m_pages = nullptr;
    QPlainTextEdit *m_hint = nullptr;
    std::array<SettingsPage *, PageCount> m_pageWidgets{};
    HotKeysSettingsPage *m_hotKeysPage = nullptr;
};
