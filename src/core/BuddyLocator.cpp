#include "BuddyLocator.h"

#include "BuddyCheck.h"
#include "TUTServer.h"
#include "viewlogic/PlayerRows.h"

#include <QLocale>

namespace {

// The selected server keeps the sentence the settings give; the others are
// named, since the listener cannot tell which one it is.
const QString kJoinedFormat = QStringLiteral("%playername joined %servername");

} // namespace

void BuddyLocator::setBuddies(const QStringList &names)
{
    m_buddies = names;
    for (Server &server : m_servers)
        server.visits.removeIf([&names](const auto &visit) { return !names.contains(visit.key()); });
    m_ended.removeIf([&names](const auto &ended) { return !names.contains(ended.key()); });
    m_stored.removeIf([&names](const auto &stored) { return !names.contains(stored.key()); });
}

bool BuddyLocator::listsPlayers(const TUTServer &record, const QByteArray &datagram)
{
    // A long list of players comes in several datagrams and only the last
    // one ends the reply: before it, the record still holds names of the
    // previous reply where the new ones have not come yet.
    if (!datagram.contains(QByteArrayLiteral("\\final\\")))
        return false;
    return datagram.contains(QByteArrayLiteral("\\player_")) || record.validPlayerSlots() == 0;
}

BuddyLocator::Update BuddyLocator::replyDecoded(int slot, const Place &place, const TUTServer &record,
                                                const QByteArray &datagram, const QDateTime &now)
{
    Update update;
    auto found = m_servers.find(slot);
    if (found != m_servers.end() && (found->place.host != place.host || found->place.queryPort != place.queryPort)) {
        // The slot holds another server now.
        update.placesChanged = !found->visits.isEmpty();
        endVisits(*found);
        m_servers.erase(found);
    }
    Server &server = m_servers[slot];
    server.place = place;
    server.repliedSinceScan = true;
    if (!listsPlayers(record, datagram))
        return update;

    QStringList players;
    for (const PlayerRows::Row &row : PlayerRows::rows(record))
        players.append(row.name);
    QList<bool> marks;
    for (const QString &buddy : std::as_const(m_buddies))
        marks.append(server.visits.contains(buddy));
    const BuddyCheck::Result result = BuddyCheck::check(players, m_buddies, marks, kJoinedFormat, place.serverName);

    for (qsizetype b = 0; b < m_buddies.size(); ++b) {
        const QString &buddy = m_buddies[b];
        const auto visit = server.visits.find(buddy);
        if (result.marks[b] && visit == server.visits.end()) {
            server.visits.insert(buddy, Visit{now, now});
            update.placesChanged = true;
        } else if (result.marks[b]) {
            visit->lastSeen = now;
        } else if (visit != server.visits.end()) {
            endVisit(place, buddy, *visit);
            server.visits.erase(visit);
            update.placesChanged = true;
        }
    }
    if (!result.joined.isEmpty()) {
        update.joined = result.joined;
        update.sentence = result.sentence;
        update.notification = joinedText(result.joined, place.serverName);
    }
    return update;
}

bool BuddyLocator::scanFinished()
{
    bool changed = false;
    for (auto server = m_servers.begin(); server != m_servers.end();) {
        server->silentScans = server->repliedSinceScan ? 0 : server->silentScans + 1;
        server->repliedSinceScan = false;
        if (server->silentScans < kSilentScans) {
            ++server;
            continue;
        }
        changed = changed || !server->visits.isEmpty();
        endVisits(*server);
        server = m_servers.erase(server);
    }
    return changed;
}

void BuddyLocator::endVisit(const Place &place, const QString &buddy, const Visit &visit)
{
    const auto ended = m_ended.constFind(buddy);
    if (ended == m_ended.cend() || ended->lastSeen <= visit.lastSeen)
        m_ended.insert(buddy, Sighting{place, visit.lastSeen, false});
}

void BuddyLocator::endVisits(const Server &server)
{
    for (auto visit = server.visits.cbegin(); visit != server.visits.cend(); ++visit)
        endVisit(server.place, visit.key(), visit.value());
}

std::optional<BuddyLocator::Sighting> BuddyLocator::sighting(const QString &buddy) const
{
    // Of several servers where the name is now, the one they went to last.
    const Server *where = nullptr;
    Visit latest;
    for (const Server &server : m_servers) {
        const auto visit = server.visits.constFind(buddy);
        if (visit != server.visits.cend() && (!where || visit->firstSeen > latest.firstSeen)) {
            where = &server;
            latest = *visit;
        }
    }
    if (where)
        return Sighting{where->place, latest.lastSeen, true};
    if (const auto ended = m_ended.constFind(buddy); ended != m_ended.cend())
        return *ended;
    if (!m_storedLookUp)
        return std::nullopt;
    auto stored = m_stored.constFind(buddy);
    if (stored == m_stored.cend())
        stored = m_stored.insert(buddy, m_storedLookUp(buddy));
    if (!stored->has_value())
        return std::nullopt;
    Sighting before = **stored;
    before.present = false;
    return before;
}

void BuddyLocator::setStoredSightings(StoredSightings lookUp)
{
    m_storedLookUp = std::move(lookUp);
    m_stored.clear();
}

QString BuddyLocator::placeText(const Sighting &sighting, const QDateTime &now)
{
    if (sighting.present)
        return QStringLiteral("on %1").arg(sighting.place.serverName);
    const QDateTime seen = sighting.lastSeen.toLocalTime();
    const QLocale locale;
    const QString when = seen.date() == now.toLocalTime().date() ? locale.toString(seen.time(), QLocale::ShortFormat)
                                                                 : locale.toString(seen.date(), QLocale::ShortFormat);
    return QStringLiteral("last seen %1 on %2").arg(when, sighting.place.serverName);
}

QString BuddyLocator::joinedText(const QStringList &buddies, const QString &serverName)
{
    return QStringLiteral("%1 joined %2").arg(buddies.join(QStringLiteral(" and ")), serverName);
}
