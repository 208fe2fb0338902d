#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

// What the command-line query learnt of one server.
struct QueryRecord
{
    QString host;
    int queryPort = 0;
    QList<QByteArrayView> statusParts; // the \status\ reply, parts in order
    QList<QByteArrayView> teamsParts;  // the \teams\ reply, when asked
    bool replied = false;              // any datagram came back
    bool complete = false;             // every reply asked for came whole
    int tries = 0;                     // requests sent for the slowest reply
    std::optional<int> pingMs;         // round trip of the first reply
};

// Writes records as one JSON object per line or as readable text, straight
// from the reply bytes. Text is read as Windows-1252 and written as UTF-8;
// numbers become JSON numbers, or null where the server sent none.
class QueryRecordWriter final
{
public:
    void appendJson(std::string &out, const QueryRecord &record);
    void appendText(std::string &out, const QueryRecord &record);

    // The server field names of a record, in the order written.
    static constexpr int kFieldCount = 27;
    static const std::array<const char *, kFieldCount> &fieldNames();

private:
    enum PlayerField { Name, Frags, Ping, Team, Mesh, Skin, Face, NgSecret, kPlayerFieldCount };
    enum TeamField { TeamName, Score, Size, kTeamFieldCount };
    static constexpr int kTeamSlots = 4;
    struct PlayerEntry
    {
        std::array<QByteArrayView, kPlayerFieldCount> values{};
        bool present = false;
    };
    struct TeamEntry
    {
        std::array<QByteArrayView, kTeamFieldCount> values{};
        bool present = false;
    };

    static constexpr int kMaxTeamsField = 17;

    void read(const QueryRecord &record);
    int teamCount() const;

    std::array<QByteArrayView, kFieldCount> m_fields{};
    std::array<bool, kFieldCount> m_seen{};
    std::vector<PlayerEntry> m_players;
    std::array<TeamEntry, kTeamSlots> m_teams{};
    int m_playerCount = 0;
};
