#include "CommaText.h"

namespace CommaText {

namespace {

bool needsQuotes(const QString &item)
{
    // An empty item is quoted too: left bare, one at the end would vanish.
    if (item.isEmpty())
        return true;
    for (const QChar c : item) {
        if (c.unicode() < 33 || c == QLatin1Char('"') || c == QLatin1Char(','))
            return true;
    }
    return false;
}

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

} // namespace

QString join(const QStringList &items)
{
    QStringList parts;
    parts.reserve(items.size());
    for (const QString &item : items) {
        if (needsQuotes(item)) {
            QString quoted = item;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            parts.append(QLatin1Char('"') + quoted + QLatin1Char('"'));
        } else {
            parts.append(item);
        }
    }
    return parts.join(QLatin1Char(','));
}

QStringList split(const QString &text)
{
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        const qsizetype itemStart = i;
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != QLatin1Char(',') && text[i].unicode() >= 33)
                ++i;
            item = text.mid(start, i - start);
        }
        items.append(item);
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            ++i;
            while (i < n && isBlank(text[i]))
                ++i;
        }
        // A NUL is neither part of an item nor a separator: step over it so
        // the split always moves on.
        if (i == itemStart)
            ++i;
    }
    return items;
}

} // namespace CommaText
