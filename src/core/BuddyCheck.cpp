#include "BuddyCheck.h"

#include <QHash>

namespace BuddyCheck {

QString speakableName(const QString &text)
{
    QString spoken = text;
    for (QChar &c : spoken) {
        const char16_t code = c.unicode();
        if ((code >= 33 && code <= 47) || (code >= 58 && code <= 64) || (code >= 91 && code <= 96)
            || (code >= 123 && code <= 191))
            c = QLatin1Char(' ');
    }
    return spoken;
}

QString soundPath(const QString &setting)
{
    QString path = setting;
    path.remove(QLatin1Char('"'));
    return path;
}

namespace {

// Names are compared without regard to case and without the blanks around
// them, which the players view does not show and so cannot be selected.
QString nameKey(const QString &name)
{
    return name.trimmed().toCaseFolded();
}

} // namespace

Result check(const QStringList &players, const QStringList &buddies, const QList<bool> &marks,
             const QString &speechFormat, const QString &serverName)
{
    Result result;
    result.marks = marks;
    result.marks.resize(buddies.size());
    // The first buddy of each name, found without regard to case.
    QHash<QString, int> positions;
    for (int b = static_cast<int>(buddies.size()) - 1; b >= 0; --b)
        positions.insert(nameKey(buddies[b]), b);

    QList<bool> present(buddies.size(), false);
    QString names;
    for (const QString &player : players) {
        const auto found = positions.constFind(nameKey(player));
        if (found == positions.cend())
            continue;
        const int b = *found;
        present[b] = true;
        if (result.marks[b])
            continue;
        result.marks[b] = true;
        if (!names.isEmpty())
            names += QStringLiteral(" and ");
        names += speakableName(buddies[b]);
        result.joined.append(buddies[b]);
    }
    for (qsizetype j = 0; j < buddies.size(); ++j) {
        if (!present[j])
            result.marks[j] = false;
    }
    result.sentence = speechFormat;
    result.sentence.replace(QStringLiteral("%playername"), names, Qt::CaseInsensitive);
    result.sentence.replace(QStringLiteral("%servername"), speakableName(serverName), Qt::CaseInsensitive);
    return result;
}

} // namespace BuddyCheck
