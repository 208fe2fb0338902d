#pragma once

#include <QByteArrayView>
#include <QStringView>

// Text to integer, 0 for anything that is not a whole number. Leading
// blanks are skipped; then either an optional sign and decimal digits, or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". The value must fit a
// signed 32-bit integer and nothing may follow it.
qint32 strToIntOrZero(QByteArrayView text);
qint32 strToIntOrZero(QStringView text);

// The same rules, telling whether the text was a valid number at all.
bool tryStrToInt(QByteArrayView text, qint32 &value);
