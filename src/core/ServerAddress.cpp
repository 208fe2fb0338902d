#include "ServerAddress.h"

std::optional<ServerAddress> ServerAddress::parse(const QString &text, QString *error)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? text.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535) {
        *error = QStringLiteral("'%1' is not of the form ADDRESS:QUERYPORT").arg(text);
        return std::nullopt;
    }
    return ServerAddress{text.left(colon), port};
}
