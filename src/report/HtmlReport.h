#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

class TUTServer;

// HTML pages about one server, filled from a user's template with
// "<%...%>" placeholders and the repeated sections "<%player_data%>" ...
// "<%/player_data%>" and "<%team_data%>" ... "<%/team_data%>".
//
// Every value taken from a server's replies is decoded as the views decode
// it and escaped for HTML, so a server cannot put markup into a page, and a
// value is never read again as a placeholder. The page keeps the template's
// encoding: UTF-8 when the template is valid UTF-8, otherwise Windows-1252,
// with characters that set lacks written as numeric character references.
namespace Report {

inline constexpr QLatin1StringView HomePage("https://quorvelin.org/");

// At most this many player rows, one per player slot of the record.
inline constexpr int kPlayerRowLimit = 50;

// A page longer than this is abandoned: a template that repeats long
// values thousands of times would otherwise take memory without bound.
inline constexpr qsizetype kPageCharLimit = 8 * 1024 * 1024;

// The team's name for a whole-number text: "Red", "Blue", "Green", "Gold"
// for 0 to 3, "None" for any other number; nothing when it is no whole number.
std::optional<QString> teamNumberToName(QByteArrayView team);

// A team size as a number: the text before its first "." ("3.000000" gives
// 3, an empty text 0); nothing when that is no whole number.
std::optional<int> teamSizeValue(QByteArrayView size);

// & < > " and ' as character references.
QString escapeHtml(QStringView text);

// Every span from "<!--" to the first "-->" at or after its start goes,
// again and again, also where the removal joins a new "<!--". An unclosed
// "<!--" stays. One pass over the text.
QString removeComments(QStringView text);

// The page for the server, or nothing with the error in error: NumPlayers,
// a listed player's Team or a team's Size that is no whole number, or a
// page longer than kPageCharLimit. Lines end with CR LF, the last one too. now gives the creation
// time and date in the system's long time and short date formats.
std::optional<QByteArray> generatePage(QByteArrayView templateBytes, const TUTServer &server, const QDateTime &now,
                                       QString *error);

// The format with "%ip", "%port" and "%name" (any case) replaced by the
// server's address, game port and name. In those values, path separators,
// "..", control characters and : * ? " < > | become "_".
QString outputFileName(const TUTServer &server, const QString &format);

// The output directory followed directly by the file name, when that is a
// file inside the directory; nothing otherwise.
std::optional<QString> outputPath(const QString &outputDir, const QString &fileName);

// The command with "%outputdir" and "%progdir" (any case) replaced.
QString commandText(const QString &command, const QString &outputDir, const QString &programDir);

// What a command text asks for. No shell is involved and no arguments can
// be passed: the whole text names one thing.
struct CommandAction
{
    enum class Kind { Nothing, Start, Open };
    Kind kind = Kind::Nothing;
    QString program; // Start: an executable file
    QUrl url;        // Open: an existing file or directory, or an address with a scheme
};
// An existing executable file is started; another existing file or a
// directory is opened, as is an address with a scheme such as "https:".
// Relative paths count from the current directory.
CommandAction commandAction(const QString &text);

} // namespace Report
