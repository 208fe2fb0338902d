#include "MasterList.h"

#include "SecureValidate.h"
#include "core/DottedAddress.h"
#include "core/StrToIntOrZero.h"
#include "core/TextDecoding.h"

#include <QSet>

#include <algorithm>

namespace MasterList {

namespace {

// A field separator of the list as comma text: a comma, a blank or a control character.
bool isSeparator(char c)
{
    return c == ',' || static_cast<unsigned char>(c) <= ' ';
}

// Splits the reply as comma text after lower-casing it and reading every
// backslash as a comma: fields end at commas and at runs of blanks and
// control characters, and a field that begins with a double quote runs to
// the closing one. Consecutive commas give empty fields.
QList<QByteArrayView> commaFields(const QByteArray &text)
{
    QList<QByteArrayView> fields;
    const qsizetype n = text.size();
    // Plain bytes: indexing a QByteArray checks its bounds at every step.
    const char *const bytes = text.constData();
    qsizetype i = 0;
    while (i < n && static_cast<unsigned char>(bytes[i]) <= ' ')
        ++i;
    while (i < n) {
        qsizetype start = i;
        qsizetype end = i;
        if (bytes[i] == '"') {
            start = i + 1;
            end = text.indexOf('"', start);
            if (end < 0)
                end = n;
            i = end < n ? end + 1 : n;
            while (i < n && !isSeparator(bytes[i]))
                ++i;
        } else {
            while (i < n && !isSeparator(bytes[i]))
                ++i;
            end = i;
        }
        fields.append(QByteArrayView(text).sliced(start, end - start));
        while (i < n && static_cast<unsigned char>(bytes[i]) <= ' ')
            ++i;
        if (i < n && bytes[i] == ',') {
            ++i;
            while (i < n && static_cast<unsigned char>(bytes[i]) <= ' ')
                ++i;
            // A comma at the very end leaves one empty field behind it.
            if (i == n)
                fields.append(QByteArrayView());
        }
    }
    return fields;
}

bool validPort(const QString &text, int *value = nullptr)
{
    qint32 port = 0;
    if (!tryStrToInt(text.toLatin1(), port) || port < 1 || port > 65535)
        return false;
    if (value)
        *value = port;
    return true;
}

// Finds the key in the working copy, removes it and its value, and returns
// the value; nothing when the key is absent.
std::optional<QString> takeValue(QByteArray &work, QByteArrayView key)
{
    const qsizetype at = work.indexOf(key);
    if (at < 0)
        return std::nullopt;
    work.remove(at, key.size());
    const qsizetype end = work.indexOf('\\', at);
    if (end < 0)
        return QString();
    const QString value = decodeUtf8OrWindows1252(QByteArrayView(work).sliced(at, end - at));
    work.remove(at, end - at);
    return value;
}

} // namespace

QStringList locationNames()
{
    return {QStringLiteral("(globaly)"),
            QStringLiteral("Southeast US"),
            QStringLiteral("Western US"),
            QStringLiteral("Midwest US"),
            QStringLiteral("Northwest US, West Canada"),
            QStringLiteral("Northeast US, East Canada"),
            QStringLiteral("United Kingdom"),
            QStringLiteral("Continental Europe"),
            QStringLiteral("Central Asia, Middle East"),
            QStringLiteral("Southeast Asia, Pacific"),
            QStringLiteral("Africa"),
            QStringLiteral("Australia / NZ / Pacific"),
            QStringLiteral("Central, South America")};
}

QByteArray listRequest(const QString &gameType, int location)
{
    QByteArray request = QByteArrayLiteral("\\list\\\\gamename\\ut");
    if (!gameType.isEmpty())
        request += QByteArrayLiteral("\\gametype\\") + gameType.toLatin1();
    if (location > 0 && location < kLocationCount)
        request += QByteArrayLiteral("\\location\\") + QByteArray::number(location);
    return request;
}

QByteArray gameTypeRequest()
{
    return QByteArrayLiteral("\\list\\info\\gamename\\ut");
}

std::optional<QByteArray> challengeOf(QByteArrayView greeting)
{
    static constexpr QByteArrayView kSecure = "\\secure\\";
    const qsizetype at = greeting.indexOf(kSecure);
    if (at < 0)
        return std::nullopt;
    const QByteArrayView rest = greeting.sliced(at + kSecure.size());
    const qsizetype end = rest.indexOf('\\');
    const QByteArrayView challenge = end < 0 ? rest : rest.first(end);
    if (challenge.isEmpty())
        return std::nullopt;
    return challenge.toByteArray();
}

QByteArray validateMessage(QByteArrayView challenge)
{
    return QByteArrayLiteral("\\gamename\\ut\\location\\0\\validate\\") + SecureValidate::response(challenge)
           + QByteArrayLiteral("\\final\\");
}

QList<ListedServer> parseServerList(QByteArrayView reply)
{
    QByteArray text = reply.toByteArray().toLower();
    text.replace('\\', ',');
    const QList<QByteArrayView> fields = commaFields(text);
    QList<ListedServer> servers;
    for (qsizetype i = 0; i + 1 < fields.size(); ++i) {
        if (fields[i] != "ip")
            continue;
        const QByteArrayView entry = fields[i + 1];
        ++i;
        // Only digits and dots can be an address; anything else is skipped
        // before any text is made of it.
        const qsizetype colon = entry.indexOf(':');
        const QByteArrayView host = entry.first(std::max<qsizetype>(colon, 0));
        if (host.isEmpty() || host.size() > 15
            || !std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); }))
            continue;
        const DottedAddress address = DottedAddress::parse(QString::fromLatin1(host));
        int port = 0;
        // Written back in the forms replies name their sender in.
        if (address.ok && validPort(QString::fromLatin1(entry.sliced(colon + 1)), &port))
            servers.append({address.text(), QString::number(port)});
    }
    return servers;
}

QList<ListedServer> parseHttpList(QByteArrayView body)
{
    QList<ListedServer> servers;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0)
            end = body.size();
        QByteArrayView line = body.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || colon + 1 == line.size())
            continue;
        const QString address = DottedAddress::canonical(QString::fromLatin1(line.first(colon)));
        int gamePort = 0;
        if (!validPort(QString::fromLatin1(line.sliced(colon + 1)), &gamePort) || gamePort == 65535)
            continue;
        servers.append({address, QString::number(gamePort + 1)});
    }
    return servers;
}

QStringList parseGameTypes(QByteArrayView reply)
{
    static constexpr QByteArrayView kKey = "\\gametype\\";
    QStringList types{kAnyGameType};
    QSet<QString> seen{kAnyGameType.toCaseFolded()};
    // Removing each key and value in turn leaves the text from the end of
    // the value on, so one pass from left to right finds the same values.
    qsizetype from = 0;
    while (true) {
        const qsizetype at = reply.indexOf(kKey, from);
        if (at < 0)
            break;
        const qsizetype valueStart = at + kKey.size();
        const qsizetype end = reply.indexOf('\\', valueStart);
        // No backslash after the key: an empty value, and nothing follows.
        if (end < 0)
            break;
        if (end > valueStart) {
            const QString value = QString::fromLatin1(reply.sliced(valueStart, end - valueStart));
            const qsizetype before = seen.size();
            seen.insert(value.toCaseFolded());
            if (seen.size() > before)
                types.append(value);
        }
        from = end;
    }
    return types;
}

ServerInfoFields parseServerInfo(QByteArrayView reply)
{
    QByteArray work = reply.toByteArray();
    ServerInfoFields fields;
    fields.hostName = takeValue(work, "\\hostname\\");
    fields.gameType = takeValue(work, "\\gametype\\");
    fields.gameVersion = takeValue(work, "\\gamever\\");
    return fields;
}

QString hostNameOf(QByteArrayView reply)
{
    static constexpr QByteArrayView kKey = "\\hostname\\";
    const qsizetype at = reply.indexOf(kKey);
    if (at < 0)
        return {};
    const qsizetype start = at + kKey.size();
    const qsizetype end = reply.indexOf('\\', start);
    if (end < 0)
        return {};
    return decodeUtf8OrWindows1252(reply.sliced(start, end - start));
}

} // namespace MasterList
