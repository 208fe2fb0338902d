#pragma once

#include <QString>
#include <QStringList>

// The help texts of the settings dialog's controls and the sentences its
// voice test speaks.
namespace SettingsHints {

// The hint of a control, keyed by its objectName: a title line, then the
// text lines ("\t" is a tab). Empty when the control has none.
QStringList lines(const QString &control);
// The lines as the hint box shows them, one per line.
QString text(const QString &control);
// Every control that has a hint.
QStringList controls();

// Eleven short sentences, one of which the voice test speaks.
const QStringList &testPhrases();

} // namespace SettingsHints
