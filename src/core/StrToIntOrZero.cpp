#include "StrToIntOrZero.h"

#include <limits>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool tryStrToInt(QByteArrayView text, qint32 &value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    if (i == n)
        return false;

    const qint64 maxValue = std::numeric_limits<qint32>::max();
    qint64 result = 0;

    bool hex = false;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
        hex = true;
        ++i;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (hex) {
        if (i == n)
            return false;
        for (; i < n; ++i) {
            const int d = hexDigit(text[i]);
            if (d < 0)
                return false;
            result = result * 16 + d;
            if (result > maxValue)
                return false;
        }
        value = static_cast<qint32>(result);
        return true;
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n)
        return false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + (c - '0');
        if (result > maxValue + 1)
            return false;
    }
    if (negative)
        result = -result;
    if (result > maxValue)
        return false;
    value = static_cast<qint32>(result);
    return true;
}

qint32 strToIntOrZero(QByteArrayView text)
{
    qint32 value = 0;
    return tryStrToInt(text, value) ? value : 0;
}

qint32 strToIntOrZero(QStringView text)
{
    // Digits, signs and prefixes are all ASCII; anything else makes it invalid.
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return 0;
    }
    return strToIntOrZero(QByteArrayView(text.toLatin1()));
}
