#pragma once

#include <QString>

// Where the program keeps Quorvelin.ini and its other files: a directory
// named on the command line; else the program's own directory when it holds
// a Quorvelin.ini or can be written to (a portable copy); else the user's
// configuration directory.
namespace AppPaths {

QString profileDirectory(const QString &requested, const QString &programDirectory, const QString &userConfigDirectory);

// The user's configuration directory for this program (XDG on Linux).
QString userConfigDirectory();

} // namespace AppPaths
