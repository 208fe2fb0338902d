#include "PageText.h"

namespace Stats {

namespace {

bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

// A field that begins with a double quote at text[i]; i ends after the closing quote.
QString quotedField(QStringView text, qsizetype &i)
{
    const qsizetype n = text.size();
    QString field;
    ++i;
    while (i < n) {
        qsizetype quote = i;
        while (quote < n && text[quote] != QLatin1Char('"') && text[quote].unicode() != 0)
            ++quote;
        field += text.sliced(i, quote - i);
        if (quote == n || text[quote].unicode() == 0) {
            i = quote;
            break;
        }
        if (quote + 1 < n && text[quote + 1] == QLatin1Char('"')) {
            field += QLatin1Char('"');
            i = quote + 2;
            continue;
        }
        i = quote + 1;
        break;
    }
    return field;
}

} // namespace

QStringList pageLines(QByteArrayView body)
{
    QStringList lines;
    const qsizetype n = body.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && body[end] != '\n' && body[end] != '\r')
            ++end;
        lines.append(QString::fromLatin1(body.sliced(start, end - start)));
        if (end < n)
            end += body[end] == '\r' && end + 1 < n && body[end + 1] == '\n' ? 2 : 1;
        start = end;
    }
    return lines;
}

QString asciiLower(QStringView text)
{
    QString lower = text.toString();
    for (QChar &c : lower) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return lower;
}

QStringView trimControls(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QStringList commaFields(QStringView text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text = text.first(nul);
    QStringList fields;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        if (text[i] == QLatin1Char('"')) {
            fields.append(quotedField(text, i));
        } else {
            const qsizetype start = i;
            while (i < n && text[i].unicode() > 32 && text[i] != QLatin1Char(','))
                ++i;
            fields.append(text.sliced(start, i - start).toString());
        }
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == QLatin1Char(',')) {
            if (i + 1 == n)
                fields.append(QString());
            ++i;
            while (i < n && isBlank(text[i]))
                ++i;
        }
    }
    return fields;
}

TextFinder::TextFinder(QStringView needle)
    : m_needle(needle.toString())
    , m_fallback(needle.size(), 0)
{
    // m_fallback[k]: the length of the longest proper border of the needle's first k + 1 characters.
    qsizetype border = 0;
    for (qsizetype k = 1; k < m_needle.size(); ++k) {
        while (border > 0 && m_needle[k] != m_needle[border])
            border = m_fallback[border - 1];
        if (m_needle[k] == m_needle[border])
            ++border;
        m_fallback[k] = border;
    }
}

bool TextFinder::isIn(QStringView haystack) const
{
    const qsizetype m = m_needle.size();
    if (m == 0)
        return true;
    qsizetype matched = 0;
    for (const QChar c : haystack) {
        while (matched > 0 && c != m_needle[matched])
            matched = m_fallback[matched - 1];
        if (c == m_needle[matched])
            ++matched;
        if (matched == m)
            return true;
    }
    return false;
}

} // namespace Stats
