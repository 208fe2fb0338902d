#include "VersionAnswer.h"

#include "core/StrToIntOrZero.h"

#include <QUrl>

namespace {

constexpr QByteArrayView kMarker = "<!-- KORVANDEL VERSION DATABASE";

struct Line
{
    qsizetype start = 0;
    qsizetype length = 0;
};

bool isBlankOrControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0x7f;
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isBlankOrControl(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlankOrControl(text.back()))
        text.chop(1);
    return text;
}

} // namespace

namespace VersionAnswer {

// One pass over the answer, keeping only the last three lines seen.
Answer parse(QByteArrayView answer)
{
    Line last[3];
    qsizetype count = 0;
    const qsizetype size = answer.size();
    qsizetype i = 0;
    while (i < size) {
        const qsizetype start = i;
        while (i < size && answer[i] != '\r' && answer[i] != '\n')
            ++i;
        last[count % 3] = {start, i - start};
        ++count;
        if (i < size)
            i += (answer[i] == '\r' && i + 1 < size && answer[i + 1] == '\n') ? 2 : 1;
    }
    Answer result;
    if (count < 3)
        return result;
    result.complete = true;
    const auto line = [&](qsizetype fromEnd) {
        const Line &at = last[(count - fromEnd) % 3];
        return answer.sliced(at.start, at.length);
    };
    if (trimmed(line(3)) != kMarker)
        return result;
    result.hasVersion = true;
    result.address = QString::fromLatin1(line(2));
    result.version = QString::fromLatin1(line(1));
    return result;
}

QByteArray request()
{
    return QByteArrayLiteral("GET /getversion_2.php?program=quorvelin HTTP/1.0\r\n\r\n");
}

int versionNumber(const QString &version)
{
    return strToIntOrZero(QStringView(version));
}

bool isDownloadAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    return url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0
           || url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

} // namespace VersionAnswer
