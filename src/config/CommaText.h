#pragma once

#include <QString>
#include <QStringList>

// A list of texts in one configuration value. Items holding a blank, a
// control character, a double quote or a comma are quoted, with inner
// quotes doubled, and so are empty items.
namespace CommaText {

QString join(const QStringList &items);
QStringList split(const QString &text);

} // namespace CommaText
