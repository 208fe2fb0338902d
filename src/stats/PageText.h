#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text helpers shared by the scrapers of the statistics pages. Each takes
// time linear in its input.
namespace Stats {

enum class PageCharset { Windows1252, Utf8 };

// The character set a page declares, in the Content-Type header's value or
// else in a "charset=" among its first lines; Windows-1252 (which browsers
// read for Latin-1 too) unless UTF-8 is named.
PageCharset pageCharset(QByteArrayView contentType, QByteArrayView body);

// The lines of a page: they end at CR LF, LF or CR, and a line break at the
// very end starts no new line. Each line is read in the page's character
// set; in a UTF-8 page, bytes that are not UTF-8 read as U+FFFD.
QStringList pageLines(QByteArrayView body, PageCharset charset = PageCharset::Windows1252);

// The text with only A to Z turned to lower case, so positions in it are
// positions in the original.
QString asciiLower(QStringView text);
// The same into lower, whose room is used again from one call to the next.
void asciiLower(QStringView text, QString &lower);

// The text without leading and trailing blanks and control characters
// (codes up to 32).
QStringView trimControls(QStringView text);

// The fields of comma text: they end at commas and at runs of blanks and
// control characters; consecutive commas give empty fields, and so does a
// comma at the very end. A field that begins with a double quote runs to
// the closing one (or to the end of the text), with a doubled quote inside
// read as one. A NUL character ends the text.
QStringList commaFields(QStringView text);

// Finds one fixed text in many others in time linear in each of them,
// whatever the texts hold (Knuth-Morris-Pratt). An empty needle is in every text.
class TextFinder
{
public:
    explicit TextFinder(QStringView needle);

    bool isIn(QStringView haystack) const;

private:
    QString m_needle;
    QList<qsizetype> m_fallback;
};

} // namespace Stats
