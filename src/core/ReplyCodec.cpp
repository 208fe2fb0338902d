#include "ReplyCodec.h"

#include "StrToIntOrZero.h"
#include "TUTServer.h"

#include <QByteArrayView>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

namespace ReplyCodec {

namespace {

struct ServerKey
{
    QByteArrayView key;
    QByteArray TUTServer::*field;
};

// Looked up in this order. The markers are these keys between backslashes.
constexpr ServerKey kServerKeys[] = {
    {"hostname", &TUTServer::HostName},
    {"hostport", &TUTServer::HostPort},
    {"maptitle", &TUTServer::MapTitle},
    {"mapname", &TUTServer::MapName},
    {"gametype", &TUTServer::GameType},
    {"numplayers", &TUTServer::NumPlayers},
    {"maxplayers", &TUTServer::MaxPlayers},
    {"gamemode", &TUTServer::GameMode},
    {"gamever", &TUTServer::GameVer},
    {"minnetver", &TUTServer::MinNetVer},
    {"worldlog", &TUTServer::WorldLog},
    {"mutators", &TUTServer::Mutators},
    {"listenserver", &TUTServer::ListenServer},
    {"timelimit", &TUTServer::TimeLimit},
    {"goalteamscore", &TUTServer::GoalTeamScore},
    {"minplayers", &TUTServer::MinPlayers},
    {"changelevels", &TUTServer::ChangeLevels},
    {"maxteams", &TUTServer::MaxTeams},
    {"balanceteams", &TUTServer::BalanceTeams},
    {"playersbalanceteams", &TUTServer::PlayersBalanceTeams},
    {"friendlyfire", &TUTServer::FriendlyFire},
    {"AdminName", &TUTServer::AdminName},
    {"AdminEMail", &TUTServer::AdminEMail},
    {"fraglimit", &TUTServer::FragLimit},
    {"tournament", &TUTServer::Tournament},
    {"gamestyle", &TUTServer::GameStyle},
    {"botskill", &TUTServer::BotSkill},
};

// Player and team keys are one of these prefixes and a decimal index.
enum EntryPrefix { Player, Frags, Ping, Team, Mesh, Skin, Face, NgSecret, Score, Size };
constexpr QByteArrayView kEntryPrefixes[] = {
    "player_", "frags_", "ping_", "team_", "mesh_", "skin_", "face_", "ngsecret_", "score_", "size_",
};

// Looked up in this order for each entry.
constexpr EntryPrefix kPlayerKeys[] = {Player, Frags, Ping, Team, Mesh, Skin, Face, NgSecret};
constexpr QByteArray TPlayerRecord::*kPlayerFields[] = {
    &TPlayerRecord::Name, &TPlayerRecord::Frags, &TPlayerRecord::Ping, &TPlayerRecord::Team,
    &TPlayerRecord::Mesh, &TPlayerRecord::Skin,  &TPlayerRecord::Face, &TPlayerRecord::NgSecret,
};
constexpr EntryPrefix kTeamKeys[] = {Team, Score, Size};
constexpr QByteArray TTeamRecord::*kTeamFields[] = {
    &TTeamRecord::Name,
    &TTeamRecord::Score,
    &TTeamRecord::Size,
};

// An entry index is read from at most two bytes of the reply, so it lies
// between "-9" and "99"; no other index is ever looked up.
constexpr qint32 kLowestIndex = -9;
constexpr qint32 kHighestIndex = 99;
constexpr int kIndexCount = kHighestIndex - kLowestIndex + 1;

// Every key that can be looked up has a number; the two numbers after the
// keys name the lists of segments that begin with "player_" and "team_".
constexpr int kNoKey = -1;
constexpr int kServerKeyCount = static_cast<int>(std::size(kServerKeys));
constexpr int kKeyCount = kServerKeyCount + static_cast<int>(std::size(kEntryPrefixes)) * kIndexCount;
constexpr int kPlayerEntries = kKeyCount;
constexpr int kTeamEntries = kKeyCount + 1;
constexpr int kListCount = kKeyCount + 2;

// Entry indices are one or two bytes long.
constexpr qsizetype keyLength(bool longest)
{
    qsizetype bound = longest ? 0 : std::numeric_limits<qsizetype>::max();
    const auto take = [&](qsizetype length) { bound = longest ? std::max(bound, length) : std::min(bound, length); };
    for (const ServerKey &k : kServerKeys)
        take(k.key.size());
    for (QByteArrayView prefix : kEntryPrefixes)
        take(prefix.size() + (longest ? 2 : 1));
    return bound;
}
constexpr qsizetype kLongestKey = keyLength(true);
constexpr qsizetype kShortestKey = keyLength(false);
// Enough of a segment to tell its key, and the prefix and index of an entry.
constexpr qsizetype kHeadBytes = kLongestKey + 1;
static_assert(kHeadBytes >= kEntryPrefixes[Player].size() + 2);

// The bytes that some key begins with; most values begin otherwise.
constexpr std::array<bool, 256> kKeyStarts = [] {
    std::array<bool, 256> starts{};
    for (const ServerKey &k : kServerKeys)
        starts[static_cast<uchar>(k.key[0])] = true;
    for (QByteArrayView prefix : kEntryPrefixes)
        starts[static_cast<uchar>(prefix[0])] = true;
    return starts;
}();

constexpr int entryKey(EntryPrefix prefix, qint32 index)
{
    if (index < kLowestIndex || index > kHighestIndex)
        return kNoKey;
    return kServerKeyCount + static_cast<int>(prefix) * kIndexCount + (index - kLowestIndex);
}

// Byte-wise equality for the short keys, cheaper than a library call.
bool sameBytes(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

bool beginsWith(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && sameBytes(text.first(prefix.size()), prefix);
}

// The index whose decimal text is exactly digits, as QByteArray::number
// writes it, or a value outside the index range.
qint32 canonicalIndex(QByteArrayView digits)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : -1; };
    if (digits.size() == 1 && digit(digits[0]) >= 0)
        return digit(digits[0]);
    if (digits.size() == 2 && digit(digits[1]) >= 0) {
        if (digit(digits[0]) > 0)
            return digit(digits[0]) * 10 + digit(digits[1]);
        if (digits[0] == '-' && digit(digits[1]) > 0)
            return -digit(digits[1]);
    }
    return kHighestIndex + 1;
}

// The number of the key that text spells, or kNoKey.
int keyOf(QByteArrayView text)
{
    if (text.size() < kShortestKey || text.size() > kLongestKey || !kKeyStarts[static_cast<uchar>(text[0])])
        return kNoKey;
    qsizetype underscore = 0;
    while (underscore < text.size() && text[underscore] != '_')
        ++underscore;
    if (underscore == text.size()) {
        for (int i = 0; i < kServerKeyCount; ++i) {
            if (sameBytes(text, kServerKeys[i].key))
                return i;
        }
        return kNoKey;
    }
    const QByteArrayView prefix = text.first(underscore + 1);
    for (size_t i = 0; i < std::size(kEntryPrefixes); ++i) {
        if (sameBytes(prefix, kEntryPrefixes[i]))
            return entryKey(static_cast<EntryPrefix>(i), canonicalIndex(text.sliced(underscore + 1)));
    }
    return kNoKey;
}

// Which list of entry starts a segment with this text belongs to, or kNoKey.
int entryListOf(QByteArrayView text)
{
    if (beginsWith(text, kEntryPrefixes[Player]))
        return kPlayerEntries;
    if (beginsWith(text, kEntryPrefixes[Team]))
        return kTeamEntries;
    return kNoKey;
}

// The working copy of a reply, kept as the segments between its
// backslashes. A marker "\key\" occurs exactly where a segment other than
// the first and the last equals key, and "\player_" where a segment other
// than the first begins with "player_". Cutting a marker and its value
// removes two segments; the cuts that join text (a value with no backslash
// after it, a stray entry prefix) merge a segment into the one before it.
// Segments therefore stay in text order under the numbers they got when the
// whole reply was split, and the first occurrence of a marker is the
// lowest live segment in that key's list. A segment's text only ever grows
// at its end, so an entry that stopped matching never matches again: each
// list is linked in text order once and then read forward, and the few
// segments that a join turns into a key are kept in a heap per list beside.
// Index is the integer type for byte positions and segment numbers; a
// narrow one keeps the tables of a datagram small.
template<typename Index>
class WorkingText
{
public:
    explicit WorkingText(const QByteArray &text);

    // Cuts the first "\key\" and its value, stores the value in field and
    // returns true; returns false, changing nothing, when there is none.
    bool takeValue(int key, QByteArray &field);

    // The first occurrence of the key's marker, or of the entry prefix, as
    // the segment it stands in; -1 when there is none.
    Index first(int list);

    // The index of the entry that begins segment id, read from the two
    // bytes after its prefix ("\player_7\" gives 7, "\player_07" gives 7).
    qint32 entryIndex(Index id, qsizetype prefixLength) const;

    // Cuts the first "\player_" or "\team_" (the list's prefix) out alone.
    void cutEntryPrefix(int list, qsizetype prefixLength);

    Index liveSegments() const { return m_live; }

private:
    struct Segment
    {
        Index prev;
        Index next;
        Index firstPiece; // -1 when empty
        Index lastPiece;
        Index length;
        Index nextWithKey;   // the next segment of the list of key
        Index nextWithEntry; // the next segment of the list of entryList
        qint16 key;          // kNoKey for the first and the last segment
        qint8 entryList;     // kPlayerEntries or kTeamEntries less kKeyCount, or kNoKey
        bool live;
    };
    // A run of reply bytes; a segment is the chain of its pieces.
    struct Piece
    {
        Index begin;
        Index end;
        Index next;
    };

    Segment &segment(Index id) { return m_segments[static_cast<size_t>(id)]; }
    const Segment &segment(Index id) const { return m_segments[static_cast<size_t>(id)]; }
    Piece &piece(Index id) { return m_pieces[static_cast<size_t>(id)]; }
    const Piece &piece(Index id) const { return m_pieces[static_cast<size_t>(id)]; }

    QByteArrayView head(Index id, char (&buffer)[kHeadBytes]) const;
    QByteArray bytes(Index id) const;
    bool holds(int list, Index id) const;
    void unlink(Index id);
    void joinNext(Index id);
    void addJoined(int list, Index id);

    const QByteArray m_text;
    std::vector<Segment> m_segments;
    std::vector<Piece> m_pieces;
    Index m_tail = 0;
    Index m_live = 0;
    // The first segment of each list that may still hold; -1 when none.
    std::array<Index, kListCount> m_head;
    // Per list, a min-heap of the segments that a join moved into it; made
    // on the first such join.
    std::vector<std::vector<Index>> m_joined;
};

static_assert(kListCount + 1 <= std::numeric_limits<qint16>::max());

template<typename Index>
WorkingText<Index>::WorkingText(const QByteArray &text)
    : m_text(text)
{
    // Split at the backslashes and note the key each segment spells and
    // the entry it starts.
    const char *const data = text.constData();
    const Index size = static_cast<Index>(text.size());
    m_segments.reserve(static_cast<size_t>(size / 4 + 2));
    m_pieces.reserve(static_cast<size_t>(size / 4 + 2));
    for (Index begin = 0;;) {
        const void *const slash = std::memchr(data + begin, '\\', static_cast<size_t>(size - begin));
        const Index end = slash ? static_cast<Index>(static_cast<const char *>(slash) - data) : size;
        const Index id = static_cast<Index>(m_segments.size());
        const Index firstPiece = end > begin ? id : -1;
        const QByteArrayView spelled(data + begin, end - begin);
        const int list = id > 0 ? entryListOf(spelled) : kNoKey;
        const int key = id > 0 && slash && spelled.size() <= kLongestKey ? keyOf(spelled) : kNoKey;
        m_segments.push_back({static_cast<Index>(id - 1), slash ? static_cast<Index>(id + 1) : Index(-1), firstPiece,
                              firstPiece, static_cast<Index>(end - begin), -1, -1, static_cast<qint16>(key),
                              static_cast<qint8>(list == kNoKey ? kNoKey : list - kKeyCount), true});
        m_pieces.push_back({begin, end, -1});
        if (!slash)
            break;
        begin = end + 1;
    }
    m_live = static_cast<Index>(m_segments.size());
    m_tail = m_live - 1;

    // Link each list in text order, from the back.
    m_head.fill(-1);
    for (Index id = m_tail; id > 0; --id) {
        Segment &s = segment(id);
        if (s.key != kNoKey) {
            s.nextWithKey = m_head[static_cast<size_t>(s.key)];
            m_head[static_cast<size_t>(s.key)] = id;
        }
        if (s.entryList != kNoKey) {
            s.nextWithEntry = m_head[static_cast<size_t>(kKeyCount + s.entryList)];
            m_head[static_cast<size_t>(kKeyCount + s.entryList)] = id;
        }
    }
}

template<typename Index>
bool WorkingText<Index>::takeValue(int key, QByteArray &field)
{
    if (key == kNoKey)
        return false;
    const Index id = first(key);
    if (id < 0)
        return false;
    const Index value = segment(id).next;
    if (value != m_tail) {
        field = bytes(value);
        unlink(id);
        unlink(value);
    } else {
        // No backslash after the marker: the value is empty, and the text
        // before the marker now runs on into the rest.
        field.clear();
        const Index before = segment(id).prev;
        unlink(id);
        joinNext(before);
    }
    return true;
}

template<typename Index>
Index WorkingText<Index>::first(int list)
{
    Index &head = m_head[static_cast<size_t>(list)];
    while (head >= 0 && !holds(list, head))
        head = list < kKeyCount ? segment(head).nextWithKey : segment(head).nextWithEntry;
    Index found = head;
    if (m_joined.empty())
        return found;
    std::vector<Index> &joined = m_joined[static_cast<size_t>(list)];
    while (!joined.empty() && !holds(list, joined.front())) {
        std::pop_heap(joined.begin(), joined.end(), std::greater<>());
        joined.pop_back();
    }
    if (!joined.empty() && (found < 0 || joined.front() < found))
        found = joined.front();
    return found;
}

template<typename Index>
qint32 WorkingText<Index>::entryIndex(Index id, qsizetype prefixLength) const
{
    char buffer[kHeadBytes];
    const QByteArrayView after = head(id, buffer).sliced(prefixLength);
    return strToIntOrZero(after.first(std::min<qsizetype>(2, after.size())));
}

template<typename Index>
void WorkingText<Index>::cutEntryPrefix(int list, qsizetype prefixLength)
{
    const Index id = first(list);
    if (id < 0)
        return;
    // Drop the prefix's bytes after the backslash, then the backslash.
    Segment &s = segment(id);
    s.length -= static_cast<Index>(prefixLength);
    for (Index left = static_cast<Index>(prefixLength); left > 0;) {
        Piece &p = piece(s.firstPiece);
        const Index dropped = std::min<Index>(left, p.end - p.begin);
        p.begin += dropped;
        left -= dropped;
        if (p.begin == p.end) {
            s.firstPiece = p.next;
            if (s.firstPiece < 0)
                s.lastPiece = -1;
        }
    }
    joinNext(s.prev);
}

// The first bytes of segment id, at most kHeadBytes.
template<typename Index>
QByteArrayView WorkingText<Index>::head(Index id, char (&buffer)[kHeadBytes]) const
{
    const Segment &s = segment(id);
    const qsizetype wanted = std::min<qsizetype>(s.length, kHeadBytes);
    if (wanted == 0)
        return {};
    const Piece &firstPiece = piece(s.firstPiece);
    if (firstPiece.end - firstPiece.begin >= wanted)
        return QByteArrayView(m_text.constData() + firstPiece.begin, wanted);
    qsizetype filled = 0;
    for (Index p = s.firstPiece; filled < wanted; p = piece(p).next) {
        const qsizetype n = std::min<qsizetype>(piece(p).end - piece(p).begin, wanted - filled);
        std::memcpy(buffer + filled, m_text.constData() + piece(p).begin, static_cast<size_t>(n));
        filled += n;
    }
    return QByteArrayView(buffer, wanted);
}

template<typename Index>
QByteArray WorkingText<Index>::bytes(Index id) const
{
    const Segment &s = segment(id);
    if (s.firstPiece < 0)
        return QByteArray(m_text.constData(), 0); // empty, not null, like a cut of nothing
    if (s.firstPiece == s.lastPiece)
        return m_text.sliced(piece(s.firstPiece).begin, s.length);
    QByteArray value;
    value.reserve(s.length);
    for (Index p = s.firstPiece; p >= 0; p = piece(p).next)
        value.append(m_text.constData() + piece(p).begin, piece(p).end - piece(p).begin);
    return value;
}

// Whether id still belongs to list. Segment text only grows at the end, so
// a segment that begins with an entry prefix keeps it while it lives.
template<typename Index>
bool WorkingText<Index>::holds(int list, Index id) const
{
    const Segment &s = segment(id);
    return s.live && (list >= kKeyCount || s.key == list);
}

template<typename Index>
void WorkingText<Index>::unlink(Index id)
{
    Segment &s = segment(id);
    s.live = false;
    if (s.prev >= 0)
        segment(s.prev).next = s.next;
    if (s.next >= 0)
        segment(s.next).prev = s.prev;
    --m_live;
}

// Appends the segment after id to id, as when the backslash between them
// is cut, and files id under whatever key or entry prefix it now spells.
// The first segment has no backslash before it and is never filed.
template<typename Index>
void WorkingText<Index>::joinNext(Index id)
{
    Segment &s = segment(id);
    const Index nextId = s.next;
    const Segment &next = segment(nextId);
    if (next.firstPiece >= 0) {
        if (s.firstPiece < 0)
            s.firstPiece = next.firstPiece;
        else
            piece(s.lastPiece).next = next.firstPiece;
        s.lastPiece = next.lastPiece;
    }
    s.length += next.length;
    if (nextId == m_tail)
        m_tail = id;
    unlink(nextId);
    if (id == 0)
        return;

    char buffer[kHeadBytes];
    const QByteArrayView text = head(id, buffer);
    const int key = id == m_tail || s.length > kLongestKey ? kNoKey : keyOf(text);
    if (key != s.key) {
        s.key = static_cast<qint16>(key);
        if (key != kNoKey)
            addJoined(key, id);
    }
    if (s.entryList == kNoKey) {
        const int list = entryListOf(text);
        if (list != kNoKey) {
            s.entryList = static_cast<qint8>(list - kKeyCount);
            addJoined(list, id);
        }
    }
}

template<typename Index>
void WorkingText<Index>::addJoined(int list, Index id)
{
    if (m_joined.empty())
        m_joined.resize(kListCount);
    std::vector<Index> &joined = m_joined[static_cast<size_t>(list)];
    joined.push_back(id);
    std::push_heap(joined.begin(), joined.end(), std::greater<>());
}

// One player or team entry at segment id: its keys, looked up from the start
// of the text, go into record (a throwaway one when the index has no slot).
// When the entry's own first key was not there, as for "\player_07\", that
// prefix is cut out alone so the next lookup moves on.
template<typename Index, typename Record, size_t N>
void parseEntry(WorkingText<Index> &w, int list, qint32 index, const EntryPrefix (&keys)[N],
                QByteArray Record::*const (&fields)[N], Record *slot)
{
    std::optional<Record> discard;
    Record &target = slot ? *slot : discard.emplace();
    bool firstTaken = false;
    for (size_t i = 0; i < N; ++i) {
        const bool taken = w.takeValue(entryKey(keys[i], index), target.*fields[i]);
        if (i == 0)
            firstTaken = taken;
    }
    if (!firstTaken)
        w.cutEntryPrefix(list, kEntryPrefixes[keys[0]].size());
}

template<typename Index>
void parsePlayerEntry(TUTServer &server, WorkingText<Index> &w, Index id)
{
    const qint32 k = w.entryIndex(id, kEntryPrefixes[Player].size());
    TPlayerRecord *slot = nullptr;
    if (k >= 0 && k < TUTServer::kPlayerSlots) {
        slot = &server.Players[static_cast<size_t>(k)];
        if (k == 0)
            server.PlayerSlotCount = QByteArrayLiteral("1");
        if (strToIntOrZero(server.PlayerSlotCount) < k + 1)
            server.PlayerSlotCount = QByteArray::number(k + 1);
    }
    parseEntry(w, kPlayerEntries, k, kPlayerKeys, kPlayerFields, slot);
}

template<typename Index>
void parseTeamEntry(TUTServer &server, WorkingText<Index> &w, Index id)
{
    const qint32 k = w.entryIndex(id, kEntryPrefixes[Team].size());
    TTeamRecord *slot = (k >= 0 && k < TUTServer::kTeamSlots) ? &server.Teams[static_cast<size_t>(k)] : nullptr;
    parseEntry(w, kTeamEntries, k, kTeamKeys, kTeamFields, slot);
}

template<typename Index>
bool decode(TUTServer &server, const QByteArray &text)
{
    WorkingText<Index> w(text);
    bool changed = false;
    QByteArray value;
    for (int key = 0; key < kServerKeyCount; ++key) {
        QByteArray TUTServer::*const member = kServerKeys[key].field;
        QByteArray &field = server.*member;
        if (!w.takeValue(key, value))
            continue;
        if (member == &TUTServer::NumPlayers || member == &TUTServer::MaxPlayers)
            changed = changed || value != field;
        field = value;
        if (member == &TUTServer::NumPlayers)
            server.PlayerSlotCount = server.NumPlayers;
    }

    // Every entry step removes a segment; the count check only guards that.
    for (Index id = w.first(kPlayerEntries); id >= 0; id = w.first(kPlayerEntries)) {
        const Index before = w.liveSegments();
        parsePlayerEntry(server, w, id);
        if (w.liveSegments() >= before)
            break;
    }
    for (Index id = w.first(kTeamEntries); id >= 0; id = w.first(kTeamEntries)) {
        const Index before = w.liveSegments();
        parseTeamEntry(server, w, id);
        if (w.liveSegments() >= before)
            break;
    }
    return changed;
}

} // namespace

bool parseServerReply(TUTServer &server, const QByteArray &text)
{
    // A datagram is far below 2 GB; the wide tables only keep longer texts exact.
    if (text.size() < std::numeric_limits<qint32>::max())
        return decode<qint32>(server, text);
    return decode<qsizetype>(server, text);
}

} // namespace ReplyCodec
