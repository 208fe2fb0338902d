#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Windows-1252, the single-byte character set of older game servers,
// configuration files and the statistics file. It differs from Latin-1 only
// in 0x80 to 0x9F; the five codes unused there stand for the characters of
// the same value, so every byte reads as one character and is written back
// the same.

// The byte of a character (a Unicode code point), or -1 when the set lacks it.
int windows1252Byte(char32_t codePoint);

// Every byte read as its character.
QString fromWindows1252(QByteArrayView bytes);

// The bytes of the text; a character the set lacks becomes "?".
QByteArray toWindows1252(QStringView text);

// Calls visit(codePoint) for every character of the text; a lone surrogate
// counts as U+FFFD.
template<typename Visit>
void forEachCodePoint(QStringView text, Visit visit)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            visit(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else if (c.isSurrogate()) {
            visit(char32_t(QChar::ReplacementCharacter));
        } else {
            visit(char32_t(c.unicode()));
        }
    }
}
