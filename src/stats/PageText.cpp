#include "PageText.h"

#include "core/Windows1252.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Stats {

namespace {

// A field that begins with a double quote at text[i]; i ends after the
// closing quote. The text holds no NUL.
QString quotedField(QStringView text, qsizetype &i)
{
    QString field;
    ++i;
    while (i < text.size()) {
        const qsizetype quote = text.indexOf(u'"', i);
        if (quote < 0) {
            field += text.sliced(i);
            i = text.size();
            break;
        }
        field += text.sliced(i, quote - i);
        if (quote + 1 < text.size() && text[quote + 1] == u'"') {
            field += QLatin1Char('"');
            i = quote + 2;
            continue;
        }
        i = quote + 1;
        break;
    }
    return field;
}

// The position of the first character from i on that is not a blank or
// control character (1 to 32), or of the end.
qsizetype skipBlanks(const QChar *text, qsizetype n, qsizetype i)
{
    while (i < n && text[i].unicode() >= 1 && text[i].unicode() <= 32)
        ++i;
    return i;
}

// The charset named after the first "charset=" in text, lower-cased; empty when none.
QByteArray declaredCharset(QByteArrayView text)
{
    const qsizetype at = QByteArrayView(text).indexOf(QByteArrayView("charset="));
    if (at < 0)
        return {};
    qsizetype start = at + 8;
    while (start < text.size() && (text[start] == '"' || text[start] == '\'' || text[start] == ' '))
        ++start;
    qsizetype end = start;
    while (end < text.size() && (std::isalnum(uchar(text[end])) || text[end] == '-' || text[end] == '_'))
        ++end;
    return text.sliced(start, end - start).toByteArray().toLower();
}

// How far into a page its <meta> charset is looked for.
constexpr qsizetype kHeadLength = 2048;

} // namespace

PageCharset pageCharset(QByteArrayView contentType, QByteArrayView body)
{
    QByteArray name = declaredCharset(QByteArray(contentType.data(), contentType.size()).toLower());
    if (name.isEmpty())
        name = declaredCharset(body.first(std::min(body.size(), kHeadLength)).toByteArray().toLower());
    return name == "utf-8" || name == "utf8" ? PageCharset::Utf8 : PageCharset::Windows1252;
}

QStringList pageLines(QByteArrayView body, PageCharset charset)
{
    QStringList lines;
    const char *const data = body.data();
    const qsizetype n = body.size();
    qsizetype start = 0;
    // The next LF is looked for once and kept, so that a page of CR-ended
    // lines is not searched to its end for every line.
    qsizetype nextLf = -1;
    while (start < n) {
        // A line ends at the first LF, or at a CR before it.
        if (nextLf < start) {
            const void *lf = std::memchr(data + start, '\n', size_t(n - start));
            nextLf = lf ? static_cast<const char *>(lf) - data : n;
        }
        qsizetype end = nextLf;
        if (const void *cr = std::memchr(data + start, '\r', size_t(end - start)))
            end = static_cast<const char *>(cr) - data;
        const QByteArrayView line(data + start, end - start);
        if (line.isEmpty())
            lines.append(QString());
        else
            lines.append(charset == PageCharset::Utf8 ? QString::fromUtf8(line) : fromWindows1252(line));
        if (end < n)
            end += data[end] == '\r' && end + 1 < n && data[end + 1] == '\n' ? 2 : 1;
        start = end;
    }
    return lines;
}

QString asciiLower(QStringView text)
{
    QString lower;
    asciiLower(text, lower);
    return lower;
}

void asciiLower(QStringView text, QString &lower)
{
    const qsizetype n = text.size();
    lower.resize(n);
    const char16_t *in = text.utf16();
    char16_t *out = reinterpret_cast<char16_t *>(lower.data());
    // Four characters at a time: a lane from A to Z gets 32 added. Lanes
    // below 0x8000 cannot carry into each other; a word with a higher one
    // goes character by character.
    constexpr quint64 kLanes = 0x0001000100010001ULL;
    constexpr quint64 kHigh = 0x8000 * kLanes;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        quint64 word;
        std::memcpy(&word, in + i, sizeof word);
        if (word & kHigh)
            break;
        const quint64 fromA = word + (0x8000 - u'A') * kLanes;
        const quint64 pastZ = word + (0x8000 - u'Z' - 1) * kLanes;
        word += (fromA & ~pastZ & kHigh) >> 10;
        std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < n; ++i)
        out[i] = in[i] >= u'A' && in[i] <= u'Z' ? char16_t(in[i] + 32) : in[i];
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
    const QChar *const chars = text.data();
    const qsizetype n = text.size();
    qsizetype i = skipBlanks(chars, n, 0);
    while (i < n) {
        if (chars[i] == u'"') {
            fields.append(quotedField(text, i));
        } else {
            const qsizetype start = i;
            while (i < n && chars[i].unicode() > 32 && chars[i] != u',')
                ++i;
            fields.append(text.sliced(start, i - start).toString());
        }
        i = skipBlanks(chars, n, i);
        if (i < n && chars[i] == u',') {
            if (i + 1 == n)
                fields.append(QString());
            i = skipBlanks(chars, n, i + 1);
        }
    }
    return fields;
}

TextFinder::TextFinder(QStringView needle)
    : m_needle(needle.toString())
    , m_fallback(needle.size(), 0)
{
    // m_fallback[k]: the length of the longest proper border of the needle's first k + 1 characters.
    const QChar *const text = m_needle.constData();
    qsizetype *const fallback = m_fallback.data();
    qsizetype border = 0;
    for (qsizetype k = 1; k < m_needle.size(); ++k) {
        while (border > 0 && text[k] != text[border])
            border = fallback[border - 1];
        if (text[k] == text[border])
            ++border;
        fallback[k] = border;
    }
}

bool TextFinder::isIn(QStringView haystack) const
{
    const qsizetype m = m_needle.size();
    if (m == 0)
        return true;
    const QChar *const needle = m_needle.constData();
    const qsizetype *const fallback = m_fallback.constData();
    const QChar *const text = haystack.data();
    const qsizetype n = haystack.size();
    qsizetype matched = 0;
    for (qsizetype i = 0; i < n; ++i) {
        // With nothing matched, the search goes on at the next first character.
        if (matched == 0) {
            i = haystack.indexOf(needle[0], i);
            if (i < 0)
                return false;
        }
        const QChar c = text[i];
        while (matched > 0 && c != needle[matched])
            matched = fallback[matched - 1];
        if (c == needle[matched])
            ++matched;
        if (matched == m)
            return true;
    }
    return false;
}

} // namespace Stats
