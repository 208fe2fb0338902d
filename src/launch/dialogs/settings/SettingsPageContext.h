#pragma once

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

class FileDialogs;
class MessageBoxes;
class QWidget;
class SoundPlayer;
class SpeechEngine;

// What the settings pages reach outside the dialog through; the frame owns it,
// so a chooser it is given later serves every page.
struct SettingsPageContext
{
    // The colour dialog: an invalid colour when cancelled.
    using ColorChooser = std::function<QColor(const QColor &initial, QWidget *parent)>;
    // The text input box: nothing when cancelled.
    using TextAsker =
        std::function<std::optional<QString>(const QString &title, const QString &prompt, const QString &preset)>;
    // Shows the hint named hintName in the frame's hint box while control has
    // the mouse or the focus; a name without a hint is passed over.
    using HintAttacher = std::function<void(QWidget *control, const QString &hintName)>;

    FileDialogs &files;
    SoundPlayer &sound;
    SpeechEngine *speech; // the dialog's own voice for the test button; may be null
    MessageBoxes &messages;
    ColorChooser chooseColor;
    TextAsker askText;
    HintAttacher attachHint;
};
