#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One game server on a master server's list: where it answers queries, and what
// the filters of a list request match against.
struct ListedServer final
{
    ListedServer() = default;
    ListedServer(const QString &host, quint16 port, const QString &type = {}, int region = 0)
        : address(host)
        , queryPort(port)
        , gameType(type)
        , location(region)
    {
    }

    QString address; // dotted IPv4
    quint16 queryPort = 0;
    QString gameType;
    int location = 0; // 0..12, the game's region codes
    QByteArray text;  // when set, listed as it is in place of the address: an entry that is no server

    quint16 gamePort() const { return quint16(queryPort - 1); }
    QByteArray masterEntry() const; // "\ip\a.b.c.d:queryport" (or "\ip\<text>")
    QByteArray httpLine() const;    // "a.b.c.d:gameport\r\n" (or "<text>\r\n")
};

// count servers on 127.0.0.1 with query ports firstQueryPort, firstQueryPort + 1, ...
// (fewer if the ports run out). Game types are the ones quorvelin-gamesim's farm
// gives its servers, so both simulators started with the same --count and
// --base-port agree; locations (1..12) follow from randomStart (--random-start).
QList<ListedServer> generatedServers(int count, quint16 firstQueryPort, quint32 randomStart);

// The game types of servers, each once, in the order they first appear.
QStringList distinctGameTypes(const QList<ListedServer> &servers);

// servers with awkward entries spread evenly among them: duplicates that repeat
// the first servers' entries (as many as asked, going round the list again if
// it is shorter), and badEntries that no client can take for a server, such as
// "999.1.2.3:7778", "1.2.3.4:70000" and "hello:1".
QList<ListedServer> withAwkwardEntries(const QList<ListedServer> &servers, int duplicates, int badEntries);

// The index-th of a long run of distinct loopback addresses (127.x.y.z, never
// 127.0.0.1), for lists that must be very long or never end.
QByteArray syntheticAddress(quint32 index);

// A server at syntheticAddress(index), query port 7778, with no game type or location.
ListedServer syntheticServer(quint32 index);
