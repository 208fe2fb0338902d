#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class TUTServer;

// Where the buddies are on the servers whose replies it is given. A visit
// begins with the first reply that lists a buddy and ends with the first
// later reply that lists players without them, or when the server stays
// silent for kSilentScans player scans. Names match as BuddyCheck matches
// them on the selected server.
class BuddyLocator final
{
public:
    // Player scans in a row that end without a reply before a server's visits end.
    static constexpr int kSilentScans = 3;

    // A server as the list holds it: the address replies come from, the query port and the entry's text.
    struct Place
    {
        QString host;
        int queryPort = 0;
        QString serverName;
    };

    struct Sighting
    {
        Place place;
        QDateTime lastSeen;
        // On the server now; otherwise it was the last one they were seen on.
        bool present = false;
    };

    // What one reply changed.
    struct Update
    {
        // The buddies whose visit began with it, as the buddy list writes
        // them, in the order their players stand.
        QStringList joined;
        // Said when someone joined: "alice and Bob joined Frag Zone".
        QString sentence;
        QString notification;
        // A buddy's sighting began or ended.
        bool placesChanged = false;
    };

    // The buddy names as the list writes them; visits of names no longer listed are forgotten.
    void setBuddies(const QStringList &names);

    // A reply from the server in this slot was decoded into record. Only a
    // reply that ends with a list of players (or tells the server is empty)
    // says who is there; any reply tells the server is alive.
    Update replyDecoded(int slot, const Place &place, const TUTServer &record, const QByteArray &datagram,
                        const QDateTime &now);
    // A player scan finished; true when visits on silent servers ended.
    bool scanFinished();

    // Where a buddy is now or was last seen in this run; the stored sighting
    // when this run has not seen them.
    std::optional<Sighting> sighting(const QString &buddy) const;

    using StoredSightings = std::function<std::optional<Sighting>(const QString &buddy)>;
    // Asked once per buddy for the sighting stored by earlier runs.
    void setStoredSightings(StoredSightings lookUp);

    // "on Frag Zone", "last seen 14:05 on Frag Zone", or the date instead of
    // the time when it was not today.
    static QString placeText(const Sighting &sighting, const QDateTime &now);
    // "alice and Bob joined Frag Zone", as the desktop notification says it.
    static QString joinedText(const QStringList &buddies, const QString &serverName);

private:
    struct Visit
    {
        QDateTime firstSeen;
        QDateTime lastSeen;
    };

    struct Server
    {
        Place place;
        QHash<QString, Visit> visits;
        bool repliedSinceScan = false;
        int silentScans = 0;
    };

    static bool listsPlayers(const TUTServer &record, const QByteArray &datagram);
    void endVisit(const Place &place, const QString &buddy, const Visit &visit);
    void endVisits(const Server &server);

    QStringList m_buddies;
    // By slot, in slot order so that ties between servers fall the same way each time.
    QMap<int, Server> m_servers;
    // The latest visit of each buddy that ended in this run.
    QHash<QString, Sighting> m_ended;
    StoredSightings m_storedLookUp;
    mutable QHash<QString, std::optional<Sighting>> m_stored;
};
