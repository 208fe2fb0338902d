#pragma once

#include "config/Settings.h"

#include <QColor>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class FileDialogs;
class HotKeyEdit;
class MessageBoxes;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class SoundPlayer;
class SpeechEngine;

// "Settings": every user setting on nine pages, the hot keys of the menu
// commands, and a box with the help text of the control under the mouse or
// with the keyboard focus. It only edits; OK hands values() to the committer,
// which writes and applies them, or refuses and keeps the dialog open.
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
    struct Values
    {
        Settings settings; // every field the dialog edits; others pass through unchanged
        QStringList masterServers;
        QList<int> hotKeyCodes; // one per HotKeys::table() row, in order
        bool speechActive = true; // the "Computer voice" box; values() also puts it into settings.ComputerVoiceActive
    };

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

    // The colour dialog: an invalid colour when cancelled.
    using ColorChooser = std::function<QColor(const QColor &initial, QWidget *parent)>;
    // The text input box: nothing when cancelled.
    using TextAsker =
        std::function<std::optional<QString>(const QString &title, const QString &prompt, const QString &preset)>;
    // Takes the values on OK; false keeps the dialog open with them.
    using Committer = std::function<bool(const Values &values)>;

    SettingsDialog(const Context &context, const Values &values, const QStringList &voiceNames,
                   QWidget *parent = nullptr);
    ~SettingsDialog() override;

    // What the controls hold now.
    Values values() const;

    void setColorChooser(ColorChooser chooser) { m_chooseColor = std::move(chooser); }
    void setTextAsker(TextAsker asker) { m_askText = std::move(asker); }
    void setCommitter(Committer committer) { m_commit = std::move(committer); }

    // The base directory browser takes only a directory that holds the game.
    static bool isGameBaseDirectory(const QString &directory);

    int currentPage() const;
    void showPage(int page);
    // One row per hot key command: its caption and its shortcut, or the
    // command's table text when it has none.
    void fillHotKeyList();

    // What the dialog's buttons do.
    void chooseLoadColor(int which);
    void browseBaseDirectory();
    void browseOutputDirectory();
    void browseBuddySound();
    void browseTemplate();
    void addMasterServer();
    void removeMasterServer();
    void playBuddySound();
    void testVoice();
    // Gives the selected command the captured key, unless another command
    // holds that key: two commands with one key would both go dead.
    void setHotKey();

    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct FrameBoxes
    {
        QCheckBox *frame = nullptr;
        QCheckBox *thick = nullptr;
        QCheckBox *raised = nullptr;
    };

    QTreeWidget *buildPageTree();
    QWidget *buildLayoutPage();
    QWidget *buildScoreGraphPage();
    QWidget *buildConnectionPage();
    QWidget *buildMiscelaneousPage();
    QWidget *buildLocationsPage();
    QWidget *buildHotKeysPage();
    QWidget *buildSoundPage();
    QWidget *buildNotifyPage();
    QWidget *buildHtmlOutputPage();
    FrameBoxes buildFrameBoxes(QWidget *page, bool team);
    void fillControls(const Values &values, const QStringList &voiceNames);
    void fillVoices(const QStringList &voiceNames, const QString &selected);
    void setSwatch(int which, int platformColor);
    void showExampleSize(int size);
    void hotKeyRowChanged(QTreeWidgetItem *current);
    void voiceChanged(int index);
    // Shows the hint of hintName when watched gets the mouse or the focus.
    void attachHint(QWidget *watched, const char *hintName);

    Context m_context;
    Values m_values;
    ColorChooser m_chooseColor;
    TextAsker m_askText;
    Committer m_commit;
    QHash<QObject *, QString> m_hintOf;
    bool m_shown = false;

    QTreeWidget *m_pageTree = nullptr;
    QStackedWidget *m_pages = nullptr;
    QPlainTextEdit *m_hint = nullptr;

    QLineEdit *m_titleBar = nullptr;
    std::array<int, 3> m_loadColors{};
    std::array<QLabel *, 3> m_swatches{};

    QSpinBox *m_minBarWidth = nullptr;
    QSpinBox *m_fontSize = nullptr;
    QLabel *m_exampleSize = nullptr;
    FrameBoxes m_teamFrame;
    FrameBoxes m_graphFrame;

    QSpinBox *m_localPort = nullptr;
    QSpinBox *m_timeOut = nullptr;
    QSpinBox *m_sleepTime = nullptr;

    QLineEdit *m_baseDir = nullptr;
    QLabel *m_lastVersion = nullptr;
    QLineEdit *m_runParams = nullptr;
    QCheckBox *m_checkVersion = nullptr;
    QCheckBox *m_rememberChecks = nullptr;
    QCheckBox *m_promptOnRun = nullptr;
    QCheckBox *m_closeOnJoin = nullptr;

    QListWidget *m_versionServers = nullptr;
    QListWidget *m_masterServers = nullptr;
    QLineEdit *m_ngWorldStats = nullptr;

    QTreeWidget *m_hotKeys = nullptr;
    QLineEdit *m_hotKeyCommand = nullptr;
    HotKeyEdit *m_hotKeyEdit = nullptr;

    QLineEdit *m_buddySound = nullptr;
    QCheckBox *m_computerVoice = nullptr;
    QComboBox *m_voices = nullptr;
    QPushButton *m_testVoice = nullptr;
    QLineEdit *m_buddySpeech = nullptr;

    QLineEdit *m_template = nullptr;
    QLineEdit *m_output = nullptr;
    QLineEdit *m_outputDir = nullptr;
    QLineEdit *m_command = nullptr;
    QCheckBox *m_htmlEnabled = nullptr;
    QSpinBox *m_htmlInterval = nullptr;
};
