#include "ServerAddress.h"

#include "DottedAddress.h"

#include <algorithm>

std::optional<ServerAddress> ServerAddress::parse(const QString &text, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QString address = colon > 0 ? text.left(colon) : QString();
    const QString portText = colon > 0 ? text.mid(colon + 1) : QString();
    const bool digitsOnly = !portText.isEmpty() && portText.size() <= 9
                            && std::all_of(portText.cbegin(), portText.cend(),
                                           [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    if (address.trimmed().isEmpty() || !digitsOnly) {
        *error = QStringLiteral("'%1' is not of the form ADDRESS:QUERYPORT").arg(text);
        return std::nullopt;
    }
    const int port = portText.toInt();
    if (port < 1 || port > 65535) {
        *error = QStringLiteral("'%1': the port %2 is out of range (1 to 65535)").arg(text, portText);
        return std::nullopt;
    }
    // Digits and dots mean an address; "1.2.3" must not become some other one.
    if (DottedAddress::looksNumeric(address) && !DottedAddress::parse(address).ok) {
        *error = QStringLiteral("'%1' is not a valid IPv4 address").arg(address);
        return std::nullopt;
    }
    // Replies name their sender in the canonical form: "010.0.0.1" is taken as "10.0.0.1".
    return ServerAddress{DottedAddress::canonical(address), port};
}
