#include "ReplyCodec.h"

#include "StrToIntOrZero.h"
#include "TUTServer.h"

namespace ReplyCodec {

namespace {

struct ServerMarker
{
    QByteArrayView marker;
    QByteArray TUTServer::*field;
};

// Searched in this order.
constexpr ServerMarker kServerMarkers[] = {
    {"\\hostname\\", &TUTServer::HostName},
    {"\\hostport\\", &TUTServer::HostPort},
    {"\\maptitle\\", &TUTServer::MapTitle},
    {"\\mapname\\", &TUTServer::MapName},
    {"\\gametype\\", &TUTServer::GameType},
    {"\\numplayers\\", &TUTServer::NumPlayers},
    {"\\maxplayers\\", &TUTServer::MaxPlayers},
    {"\\gamemode\\", &TUTServer::GameMode},
    {"\\gamever\\", &TUTServer::GameVer},
    {"\\minnetver\\", &TUTServer::MinNetVer},
    {"\\worldlog\\", &TUTServer::WorldLog},
    {"\\mutators\\", &TUTServer::Mutators},
    {"\\listenserver\\", &TUTServer::ListenServer},
    {"\\timelimit\\", &TUTServer::TimeLimit},
    {"\\goalteamscore\\", &TUTServer::GoalTeamScore},
    {"\\minplayers\\", &TUTServer::MinPlayers},
    {"\\changelevels\\", &TUTServer::ChangeLevels},
    {"\\maxteams\\", &TUTServer::MaxTeams},
    {"\\balanceteams\\", &TUTServer::BalanceTeams},
    {"\\playersbalanceteams\\", &TUTServer::PlayersBalanceTeams},
    {"\\friendlyfire\\", &TUTServer::FriendlyFire},
    {"\\AdminName\\", &TUTServer::AdminName},
    {"\\AdminEMail\\", &TUTServer::AdminEMail},
    {"\\fraglimit\\", &TUTServer::FragLimit},
    {"\\tournament\\", &TUTServer::Tournament},
    {"\\gamestyle\\", &TUTServer::GameStyle},
    {"\\botskill\\", &TUTServer::BotSkill},
};

constexpr QByteArrayView kPlayerPrefix = "\\player_";
constexpr QByteArrayView kTeamPrefix = "\\team_";

constexpr QByteArrayView kPlayerPrefixes[] = {
    "\\player_", "\\frags_", "\\ping_", "\\team_", "\\mesh_", "\\skin_", "\\face_", "\\ngsecret_",
};
constexpr QByteArray TPlayerRecord::*kPlayerFields[] = {
    &TPlayerRecord::Name, &TPlayerRecord::Frags, &TPlayerRecord::Ping, &TPlayerRecord::Team,
    &TPlayerRecord::Mesh, &TPlayerRecord::Skin,  &TPlayerRecord::Face, &TPlayerRecord::NgSecret,
};

constexpr QByteArrayView kTeamPrefixes[] = {"\\team_", "\\score_", "\\size_"};
constexpr QByteArray TTeamRecord::*kTeamFields[] = {
    &TTeamRecord::Name, &TTeamRecord::Score, &TTeamRecord::Size,
};

// The entry index: the two characters after the prefix, only the first when
// the second is a backslash.
qint32 entryIndex(const QByteArray &w, qsizetype afterPrefix)
{
    QByteArrayView indexText = QByteArrayView(w).sliced(afterPrefix, std::min<qsizetype>(2, w.size() - afterPrefix));
    if (indexText.contains('\\'))
        indexText.truncate(1);
    return strToIntOrZero(indexText);
}

QByteArray entryMarker(QByteArrayView prefix, qint32 index)
{
    QByteArray marker;
    marker.reserve(prefix.size() + 4);
    marker.append(prefix).append(QByteArray::number(index)).append('\\');
    return marker;
}

// Runs the entry's markers into the record (or into a throwaway record when
// the index has no slot). When the entry's first marker did not match the
// occurrence that started it (an index such as "07"), that occurrence is cut
// out so the caller's loop still moves on.
template<typename Record, size_t N>
void parseEntry(QByteArray &w, QByteArrayView firstPrefix, const QByteArrayView (&prefixes)[N],
                QByteArray Record::*const (&fields)[N], Record *slot, qint32 index)
{
    Record discard;
    Record &target = slot ? *slot : discard;
    bool firstTaken = false;
    for (size_t i = 0; i < N; ++i) {
        const bool taken = takeValue(w, entryMarker(prefixes[i], index), target.*fields[i]);
        if (i == 0)
            firstTaken = taken;
    }
    if (!firstTaken) {
        const qsizetype stale = w.indexOf(firstPrefix);
        if (stale >= 0)
            w.remove(stale, firstPrefix.size());
    }
}

} // namespace

bool takeValue(QByteArray &w, QByteArrayView marker, QByteArray &field)
{
    const qsizetype p = w.indexOf(marker);
    if (p < 0)
        return false;
    w.remove(p, marker.size());
    const qsizetype end = w.indexOf('\\', p);
    if (end < 0) {
        field.clear();
        return true;
    }
    const qsizetype n = end - p;
    field = w.mid(p, n);
    w.remove(p, n);
    return true;
}

void parsePlayerEntry(TUTServer &server, QByteArray &w, qsizetype p)
{
    const qint32 k = entryIndex(w, p + kPlayerPrefix.size());
    TPlayerRecord *slot = nullptr;
    if (k >= 0 && k < TUTServer::kPlayerSlots) {
        slot = &server.Players[static_cast<size_t>(k)];
        if (k == 0)
            server.PlayerSlotCount = QByteArrayLiteral("1");
        if (strToIntOrZero(server.PlayerSlotCount) < k + 1)
            server.PlayerSlotCount = QByteArray::number(k + 1);
    }
    parseEntry(w, kPlayerPrefix, kPlayerPrefixes, kPlayerFields, slot, k);
}

void parseTeamEntry(TUTServer &server, QByteArray &w, qsizetype p)
{
    const qint32 k = entryIndex(w, p + kTeamPrefix.size());
    TTeamRecord *slot = (k >= 0 && k < TUTServer::kTeamSlots) ? &server.Teams[static_cast<size_t>(k)] : nullptr;
    parseEntry(w, kTeamPrefix, kTeamPrefixes, kTeamFields, slot, k);
}

bool parseServerReply(TUTServer &server, const QByteArray &text)
{
    QByteArray w = text;
    w.detach();
    bool changed = false;
    QByteArray value;
    for (const ServerMarker &m : kServerMarkers) {
        QByteArray &field = server.*(m.field);
        if (!takeValue(w, m.marker, value))
            continue;
        if (m.field == &TUTServer::NumPlayers || m.field == &TUTServer::MaxPlayers)
            changed = changed || value != field;
        field = value;
        if (m.field == &TUTServer::NumPlayers)
            server.PlayerSlotCount = server.NumPlayers;
    }

    // Every entry step shortens w; the size check only guards that promise.
    for (qsizetype p = w.indexOf(kPlayerPrefix); p >= 0; p = w.indexOf(kPlayerPrefix)) {
        const qsizetype before = w.size();
        parsePlayerEntry(server, w, p);
        if (w.size() >= before)
            break;
    }
    for (qsizetype p = w.indexOf(kTeamPrefix); p >= 0; p = w.indexOf(kTeamPrefix)) {
        const qsizetype before = w.size();
        parseTeamEntry(server, w, p);
        if (w.size() >= before)
            break;
    }
    return changed;
}

} // namespace ReplyCodec
