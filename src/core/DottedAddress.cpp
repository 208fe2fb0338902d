#include "DottedAddress.h"

#include "StrToIntOrZero.h"

#include <QStringTokenizer>

#include <algorithm>

namespace {

// One to three decimal digits, nothing else: no sign, blank or hex prefix.
bool isDecimalPart(const QString &part)
{
    if (part.isEmpty() || part.size() > 3)
        return false;
    return std::all_of(part.cbegin(), part.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

} // namespace

DottedAddress DottedAddress::parse(const QString &host)
{
    DottedAddress result;
    quint32 address = 0;
    int count = 0;
    for (const QStringView partView : QStringTokenizer(host, u'.')) {
        // A fifth part makes no address, however the rest reads: stop here
        // rather than spend time in the length of a long text.
        if (++count > 4)
            break;
        const QString part = partView.toString();
        qint32 value = 0;
        const QByteArray latin = part.toLatin1();
        // Text that is no number at all gets the conversion error a user of
        // the game's tools knows; other malformed parts name the whole address.
        if (part.size() != latin.size() || !tryStrToInt(latin, value)) {
            result.error = QStringLiteral("'%1' is not a valid integer value").arg(part);
            return result;
        }
        if (!isDecimalPart(part) || value > 255) {
            result.error = QStringLiteral("'%1' is not a valid IPv4 address").arg(host);
            return result;
        }
        address = (address << 8) | static_cast<quint32>(value);
    }
    if (count != 4) {
        result.error = QStringLiteral("'%1' is not a valid IPv4 address").arg(host);
        return result;
    }
    result.ok = true;
    result.ipv4 = address;
    return result;
}

QString DottedAddress::text() const
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ipv4 >> 24)
        .arg((ipv4 >> 16) & 0xff)
        .arg((ipv4 >> 8) & 0xff)
        .arg(ipv4 & 0xff);
}

QString DottedAddress::canonical(const QString &host)
{
    const DottedAddress address = parse(host);
    return address.ok ? address.text() : host;
}

bool DottedAddress::isUnset(const QString &host)
{
    return host.isEmpty() || host == QLatin1String("0.0.0.0") || host == QLatin1String("0.0.0")
           || host == QLatin1String("0.0") || host == QLatin1String("0");
}

bool DottedAddress::looksNumeric(const QString &text)
{
    return !text.isEmpty()
           && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char('.') || c.isDigit(); });
}
