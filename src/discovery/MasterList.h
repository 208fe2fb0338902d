#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The master server exchange as text: the requests, the answer to the
// challenge, and the parsers of what masters and server lists send. Every
// parser takes time linear in its input.
namespace MasterList {

// One server a master lists: its dotted address and its query port.
struct ListedServer
{
    QString address;
    QString port;

    friend bool operator==(const ListedServer &, const ListedServer &) = default;
};

inline const QString kAnyGameType = QStringLiteral("(any gametype)");
inline constexpr int kLocationCount = 13;
// The regions of the location filter; a position above 0 is sent.
QStringList locationNames();

// "\list\\gamename\ut", with "\gametype\T" unless gameType is empty and
// "\location\N" when location is 1 to 12.
QByteArray listRequest(const QString &gameType, int location);
QByteArray gameTypeRequest();

// The challenge of a greeting that carries "\secure\": the text after it up
// to the next backslash. Nothing when the greeting has no challenge.
std::optional<QByteArray> challengeOf(QByteArrayView greeting);
// "\gamename\ut\location\0\validate\" + the answer to the challenge + "\final\".
QByteArray validateMessage(QByteArrayView challenge);

// The "\ip\address:port" entries of a master's reply, in the order sent.
// Entries whose address is not a dotted IPv4 address or whose port is not
// a number from 1 to 65535 are left out; addresses are given without
// leading zeros, as replies name their sender.
QList<ListedServer> parseServerList(QByteArrayView reply);
// One "address:gameport" per line; the query port is the game port plus one,
// a dotted address is given without leading zeros.
// Blank lines, lines without ":", and ports that are not numbers are left out.
QList<ListedServer> parseHttpList(QByteArrayView body);
// "(any gametype)" and then every distinct non-empty "\gametype\" value, in
// the order first sent; duplicates are found without regard to case.
QStringList parseGameTypes(QByteArrayView reply);

// The three values the server list shows from an "\info\" reply; a key the
// reply lacks is nothing.
struct ServerInfoFields
{
    std::optional<QString> hostName;
    std::optional<QString> gameType;
    std::optional<QString> gameVersion;
};
ServerInfoFields parseServerInfo(QByteArrayView reply);

// The value after the first "\hostname\" up to the next backslash; empty
// when the key is missing or no backslash follows.
QString hostNameOf(QByteArrayView reply);

} // namespace MasterList
