#pragma once

#include <QString>

// Where the help files are: the user guide "help/index.html", "readme.txt"
// and "version.txt" sit beside the executable in a build tree or a portable
// copy, and in <prefix>/share/quorvelin/ beside <prefix>/bin/ when installed.
namespace HelpFiles {

// The absolute path of relativePath found first in programDirectory, then in
// programDirectory/../share/quorvelin/; empty when neither holds it.
QString locate(const QString &relativePath, const QString &programDirectory);

} // namespace HelpFiles
