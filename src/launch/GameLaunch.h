#pragma once

#include <QString>
#include <QStringList>

class IniFile;

// Starting the game on a server: where its executable is, the address it
// is given, and the command line built from them.
namespace GameLaunch {

// The game's executable below the base directory, as SystemGameLocator
// finds it: a native build or else the Windows one, names matched without
// regard to case. Empty when none exists.
QString findExecutable(const QString &baseDirectory);

// The address the game joins: the server's address with the game port it
// reports, when that is a whole number from 1 to 65535; otherwise the game
// port by convention, the query port minus one. Nothing else of the reply
// reaches the command line.
QString gameAddress(const QString &host, const QString &reportedGamePort, int queryPort);

// The address, then a blank and the extra parameters when there are any.
// Extra parameters that name an existing file by its full path, blanks and
// all, stay one argument.
QString parameters(const QString &address, const QString &runParams);

// The argument as command() reads it back whole: in double quotes when it
// holds a blank or a double quote, with each double quote tripled.
QString quotedArgument(const QString &argument);
// The text, a blank and the argument, which stays one argument.
QString withArgument(const QString &text, const QString &argument);

struct Command
{
    QString program;
    QStringList arguments;
};
// The executable with the parameters split into arguments as a shell would
// split words, but without a shell. A Windows executable runs through wine
// when wineProgram names one.
Command command(const QString &executable, const QString &parameterText, const QString &wineProgram);

// The ten most recent entries of a run prompt history section, newest first.
QStringList readHistory(const IniFile &ini, const QString &section);
// False, with a message, when an entry cannot be stored (a line break in it).
bool writeHistory(IniFile &ini, const QString &section, const QStringList &entries, QString *error);
// The history after running with text: the entry moves to the top, or a
// new one goes in at the top and the eleventh drops out. Entries are
// compared as the file system compares file names.
QStringList promote(const QStringList &entries, const QString &text);

// Letter case in file names, as Qt's file engine treats it: it counts
// everywhere but on Windows.
#ifdef Q_OS_WIN
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
inline constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

inline constexpr int kHistorySize = 10;

} // namespace GameLaunch
