#include "Windows1252.h"

#include <cstring>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; the five unused
// codes there map to themselves.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

int windows1252Byte(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return int(codePoint);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == codePoint)
            return 0x80 + i;
    }
    return -1;
}

QString fromWindows1252(QByteArrayView bytes)
{
    // Latin-1 agrees with it but in 0x80 to 0x9F, so only bytes with the high
    // bit set are looked at again, found eight at a time.
    QString text = QString::fromLatin1(bytes);
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    auto *out = reinterpret_cast<char16_t *>(text.data());
    const qsizetype n = bytes.size();
    const auto mend = [in, out](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            if (in[i] >= 0x80 && in[i] < 0xA0)
                out[i] = kHigh[in[i] - 0x80];
        }
    };
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 word;
        std::memcpy(&word, in + i, sizeof word);
        if (word & 0x8080808080808080ULL)
            mend(i, i + 8);
    }
    mend(i, n);
    return text;
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    forEachCodePoint(text, [&bytes](char32_t codePoint) {
        const int b = windows1252Byte(codePoint);
        bytes.append(b < 0 ? '?' : static_cast<char>(b));
    });
    return bytes;
}
