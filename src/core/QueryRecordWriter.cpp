#include "QueryRecordWriter.h"

#include "QueryReply.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

struct FieldKey
{
    QByteArrayView key;
    const char *name;
    bool number;
};

// The reply keys of the record's fields, in the order written.
constexpr FieldKey kFieldKeys[QueryRecordWriter::kFieldCount] = {
    {"hostname", "HostName", false},
    {"hostport", "HostPort", true},
    {"maptitle", "MapTitle", false},
    {"mapname", "MapName", false},
    {"gametype", "GameType", false},
    {"numplayers", "NumPlayers", true},
    {"maxplayers", "MaxPlayers", true},
    {"gamemode", "GameMode", false},
    {"gamever", "GameVer", true},
    {"minnetver", "MinNetVer", true},
    {"worldlog", "WorldLog", false},
    {"mutators", "Mutators", false},
    {"listenserver", "ListenServer", false},
    {"timelimit", "TimeLimit", true},
    {"goalteamscore", "GoalTeamScore", true},
    {"minplayers", "MinPlayers", true},
    {"changelevels", "ChangeLevels", false},
    {"maxteams", "MaxTeams", true},
    {"balanceteams", "BalanceTeams", false},
    {"playersbalanceteams", "PlayersBalanceTeams", false},
    {"friendlyfire", "FriendlyFire", false},
    {"AdminName", "AdminName", false},
    {"AdminEMail", "AdminEMail", false},
    {"fraglimit", "FragLimit", true},
    {"tournament", "Tournament", false},
    {"gamestyle", "GameStyle", false},
    {"botskill", "BotSkill", false},
};

constexpr QByteArrayView kPlayerPrefixes[] = {"player", "frags", "ping", "team", "mesh", "skin", "face", "ngsecret"};
constexpr const char *kPlayerNames[] = {"Name", "Frags", "Ping", "Team", "Mesh", "Skin", "Face", "NgSecret"};
constexpr bool kPlayerNumbers[] = {false, true, true, true, false, false, false, false};
constexpr QByteArrayView kTeamPrefixes[] = {"team", "score", "size"};

// Player numbers above this are not kept: the game has far fewer slots.
constexpr int kMaxPlayerIndex = 255;

// Keys compare without regard to case; servers send them as listed, so an
// exact match or a different first letter settles most comparisons at once.
bool sameKey(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size() || a.isEmpty())
        return false;
    if (std::memcmp(a.data(), b.data(), size_t(a.size())) == 0)
        return true;
    return (a[0] | 0x20) == (b[0] | 0x20) && qstrnicmp(a.data(), b.data(), size_t(a.size())) == 0;
}

QByteArrayView trimmed(QByteArrayView text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && blank(text[from]))
        ++from;
    while (to > from && blank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

// "prefix_index" split into the prefix and a decimal index; -1 for any other key.
int indexedKey(QByteArrayView key, QByteArrayView &prefix)
{
    // At most three digits after the underscore.
    qsizetype underscore = key.size() - 1;
    while (underscore >= 0 && key.size() - underscore <= 4 && key[underscore] != '_')
        --underscore;
    if (underscore <= 0 || key[underscore] != '_' || underscore + 1 >= key.size())
        return -1;
    int index = 0;
    for (qsizetype i = underscore + 1; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9')
            return -1;
        index = index * 10 + (key[i] - '0');
    }
    prefix = key.first(underscore);
    return index;
}

// The UTF-8 form of each byte from 0x80, read as Windows-1252.
struct HighBytes
{
    char utf8[128][4];
    quint8 length[128];
};

constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr HighBytes kHighBytes = [] {
    HighBytes table{};
    for (int b = 0x80; b < 0x100; ++b) {
        const char16_t c = b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b);
        char *out = table.utf8[b - 0x80];
        if (c < 0x800) {
            out[0] = char(0xC0 | (c >> 6));
            out[1] = char(0x80 | (c & 0x3F));
            table.length[b - 0x80] = 2;
        } else {
            out[0] = char(0xE0 | (c >> 12));
            out[1] = char(0x80 | ((c >> 6) & 0x3F));
            out[2] = char(0x80 | (c & 0x3F));
            table.length[b - 0x80] = 3;
        }
    }
    return table;
}();

// The bytes as UTF-8; with json, escaped for a JSON string, else with
// control characters shown as "?".
void appendUtf8(std::string &out, QByteArrayView text, bool json)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    while (p < end) {
        const char *run = p;
        while (p < end) {
            const auto c = static_cast<unsigned char>(*p);
            if (c >= 0x80 || c < 0x20 || c == 0x7F || (json && (c == '"' || c == '\\')))
                break;
            ++p;
        }
        out.append(run, size_t(p - run));
        if (p == end)
            break;
        const auto c = static_cast<unsigned char>(*p++);
        // A terminal takes control characters as commands, so readable
        // text shows them as "?"; JSON escapes those below 0x20.
        const bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0 && kWindows1252High[c - 0x80] < 0xA0);
        if (!json && control) {
            out.append(1, '?');
        } else if (c >= 0x80) {
            out.append(kHighBytes.utf8[c - 0x80], kHighBytes.length[c - 0x80]);
        } else if (c == 0x7F) {
            out.append(1, char(c));
        } else if (c == '"' || c == '\\') {
            out.append(1, '\\').append(1, char(c));
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(escaped, sizeof escaped);
        }
    }
}

void appendJsonString(std::string &out, QByteArrayView text)
{
    out.append(1, '"');
    appendUtf8(out, text, true);
    out.append(1, '"');
}

void appendInteger(std::string &out, long long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, size_t(result.ptr - digits));
}

// A whole number as a JSON number, a decimal one too where allowed; null for
// anything else.
void appendJsonNumber(std::string &out, QByteArrayView text, bool decimal = false)
{
    const QByteArrayView value = trimmed(text);
    const char *begin = value.data();
    const char *end = begin + value.size();
    if (begin != end && *begin == '+')
        ++begin;
    long long whole = 0;
    const auto [afterWhole, wholeError] = std::from_chars(begin, end, whole);
    if (wholeError == std::errc() && afterWhole == end && begin != end) {
        appendInteger(out, whole);
        return;
    }
    if (decimal) {
        double number = 0;
        const auto [afterNumber, numberError] = std::from_chars(begin, end, number, std::chars_format::fixed);
        if (numberError == std::errc() && afterNumber == end && std::isfinite(number)) {
            char digits[32];
            const auto result = std::to_chars(digits, digits + sizeof digits, number);
            out.append(digits, size_t(result.ptr - digits));
            return;
        }
    }
    out.append("null");
}

void appendKey(std::string &out, const char *key)
{
    out.append(",\"").append(key).append("\":");
}

} // namespace

const std::array<const char *, QueryRecordWriter::kFieldCount> &QueryRecordWriter::fieldNames()
{
    static const std::array<const char *, kFieldCount> names = [] {
        std::array<const char *, kFieldCount> result{};
        for (int i = 0; i < kFieldCount; ++i)
            result[size_t(i)] = kFieldKeys[i].name;
        return result;
    }();
    return names;
}

void QueryRecordWriter::read(const QueryRecord &record)
{
    m_fields.fill(QByteArrayView());
    m_seen.fill(false);
    m_teams.fill(TeamEntry());
    for (PlayerEntry &entry : m_players)
        entry = PlayerEntry();
    m_playerCount = 0;

    for (QByteArrayView part : record.statusParts) {
        QueryReply::forEachPair(part, [this](QByteArrayView key, QByteArrayView value) {
            if (key.isEmpty())
                return;
            QByteArrayView prefix;
            const int index = indexedKey(key, prefix);
            if (index >= 0) {
                if (index > kMaxPlayerIndex)
                    return;
                for (int f = 0; f < kPlayerFieldCount; ++f) {
                    if (!sameKey(prefix, kPlayerPrefixes[f]))
                        continue;
                    if (size_t(index) >= m_players.size())
                        m_players.resize(size_t(index) + 1);
                    PlayerEntry &entry = m_players[size_t(index)];
                    if (f == Name && !entry.present) {
                        entry.present = true;
                        ++m_playerCount;
                    }
                    entry.values[size_t(f)] = trimmed(value);
                    return;
                }
                return;
            }
            // The first of a repeated key counts: \status\ sends gamever twice.
            for (int i = 0; i < kFieldCount; ++i) {
                if (!m_seen[size_t(i)] && sameKey(key, kFieldKeys[i].key)) {
                    m_fields[size_t(i)] = trimmed(value);
                    m_seen[size_t(i)] = true;
                    return;
                }
            }
        });
    }
    for (QByteArrayView part : record.teamsParts) {
        QueryReply::forEachPair(part, [this](QByteArrayView key, QByteArrayView value) {
            QByteArrayView prefix;
            const int index = indexedKey(key, prefix);
            if (index < 0 || index >= kTeamSlots)
                return;
            for (int f = 0; f < kTeamFieldCount; ++f) {
                if (sameKey(prefix, kTeamPrefixes[f])) {
                    TeamEntry &entry = m_teams[size_t(index)];
                    entry.values[size_t(f)] = trimmed(value);
                    entry.present = entry.present || f == TeamName;
                    return;
                }
            }
        });
    }
}

int QueryRecordWriter::teamCount() const
{
    // A server names all four teams, also those its game does not play with.
    int maxTeams = kTeamSlots;
    if (QByteArrayView(m_fields[kMaxTeamsField]).trimmed().size() > 0) {
        bool ok = false;
        const int announced = QByteArrayView(m_fields[kMaxTeamsField]).toInt(&ok);
        if (ok && announced >= 0)
            maxTeams = std::min(announced, int(kTeamSlots));
    }
    return maxTeams;
}

void QueryRecordWriter::appendJson(std::string &out, const QueryRecord &record)
{
    read(record);
    out.append("{\"Host\":");
    appendJsonString(out, QByteArrayView(record.host.toUtf8()));
    appendKey(out, "QueryPort");
    appendInteger(out, record.queryPort);
    for (int i = 0; i < kFieldCount; ++i) {
        appendKey(out, kFieldKeys[i].name);
        if (kFieldKeys[i].number)
            appendJsonNumber(out, m_fields[size_t(i)]);
        else
            appendJsonString(out, m_fields[size_t(i)]);
    }
    appendKey(out, "Players");
    out.append(1, '[');
    bool first = true;
    for (const PlayerEntry &entry : m_players) {
        if (!entry.present)
            continue;
        out.append(first ? "{" : ",{");
        first = false;
        for (int f = 0; f < kPlayerFieldCount; ++f) {
            if (f > 0)
                out.append(1, ',');
            out.append(1, '"').append(kPlayerNames[f]).append("\":");
            if (kPlayerNumbers[f])
                appendJsonNumber(out, entry.values[size_t(f)]);
            else
                appendJsonString(out, entry.values[size_t(f)]);
        }
        out.append(1, '}');
    }
    out.append(1, ']');
    appendKey(out, "PlayerSlotCount");
    appendInteger(out, m_playerCount);
    appendKey(out, "Teams");
    out.append(1, '[');
    first = true;
    const int teams = teamCount();
    for (int t = 0; t < teams; ++t) {
        const TeamEntry &entry = m_teams[size_t(t)];
        if (!entry.present)
            continue;
        out.append(first ? "{\"Name\":" : ",{\"Name\":");
        first = false;
        appendJsonString(out, entry.values[TeamName]);
        out.append(",\"Score\":");
        appendJsonNumber(out, entry.values[Score], true);
        out.append(",\"Size\":");
        appendJsonNumber(out, entry.values[Size]);
        out.append(1, '}');
    }
    out.append(1, ']');
    appendKey(out, "Ping");
    if (record.pingMs)
        appendInteger(out, *record.pingMs);
    else
        out.append("null");
    appendKey(out, "Replied");
    out.append(record.replied ? "true" : "false");
    appendKey(out, "Complete");
    out.append(record.complete ? "true" : "false");
    appendKey(out, "Tries");
    appendInteger(out, record.tries);
    out.append("}\n");
}

void QueryRecordWriter::appendText(std::string &out, const QueryRecord &record)
{
    const QByteArray host = record.host.toUtf8();
    out.append(host.constData(), size_t(host.size())).append(1, ':');
    appendInteger(out, record.queryPort);
    const std::string tries = std::to_string(record.tries) + (record.tries == 1 ? " try" : " tries");
    if (!record.replied) {
        out.append("  no reply (").append(tries).append(")\n");
        return;
    }
    read(record);
    out.append("  ");
    appendUtf8(out, m_fields[0], false);
    out.append("\n  ping ");
    if (record.pingMs)
        appendInteger(out, *record.pingMs);
    out.append(" ms, ");
    appendUtf8(out, m_fields[5], false);
    out.append(1, '/');
    appendUtf8(out, m_fields[6], false);
    out.append(" players, ");
    if (record.complete)
        out.append("complete after ").append(tries).append(1, '\n');
    else
        out.append("INCOMPLETE: parts of the reply missing after ").append(tries).append(1, '\n');
    for (int i = 1; i < kFieldCount; ++i) {
        if (m_fields[size_t(i)].isEmpty())
            continue;
        out.append("  ").append(kFieldKeys[i].name).append(": ");
        appendUtf8(out, m_fields[size_t(i)], false);
        out.append(1, '\n');
    }
    if (m_playerCount > 0)
        out.append("  players (name, frags, ping, team):\n");
    for (const PlayerEntry &entry : m_players) {
        if (!entry.present)
            continue;
        out.append("    ");
        for (int f = Name; f <= Team; ++f) {
            if (f > Name)
                out.append("  ");
            appendUtf8(out, entry.values[size_t(f)], false);
        }
        out.append(1, '\n');
    }
    const int teams = teamCount();
    for (int t = 0; t < teams; ++t) {
        const TeamEntry &entry = m_teams[size_t(t)];
        if (!entry.present)
            continue;
        out.append("  team ");
        appendUtf8(out, entry.values[TeamName], false);
        out.append(": score ");
        appendUtf8(out, entry.values[Score], false);
        out.append(", size ");
        appendUtf8(out, entry.values[Size], false);
        out.append(1, '\n');
    }
}
