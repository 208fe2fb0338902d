#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The comparison of the selected server's players with the buddy list.
namespace BuddyCheck {

// The text with punctuation and symbols (codes 33-47, 58-64, 91-96 and
// 123-191) read as blanks, so a speech engine says only the name.
QString speakableName(const QString &text);

// The wave file setting without its double quotes.
QString soundPath(const QString &setting);

struct Result
{
    // One per buddy: on the server at this comparison.
    QList<bool> marks;
    // The buddies who were not marked before and are there now, as the
    // buddy list writes them, in the order their players stand.
    QStringList joined;
    // The sentence to speak when someone joined: the format with
    // %playername and %servername filled in, without regard to case.
    QString sentence;
};

// players in the order of the players view; buddies in list order with
// their marks from the last comparison; serverName the selected entry's text.
// A player is a buddy when the names match without regard to case and to
// blanks before and after them.
Result check(const QStringList &players, const QStringList &buddies, const QList<bool> &marks,
             const QString &speechFormat, const QString &serverName);

} // namespace BuddyCheck
