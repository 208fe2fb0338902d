#pragma once

#include "RankingEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// "ngWorldStats.data", the file of the rankings lists: a 29-byte header,
// then 156-byte records, the servers, a divider record and the players.
// Each record holds seven fields of fixed width, each a length byte and up
// to width - 1 bytes of Windows-1252 text.
namespace Stats {

inline constexpr qsizetype StatsHeaderSize = 29;
inline constexpr qsizetype StatsRecordSize = 156;
// The name of the record between the servers and the players.
inline const QString StatsDivider = QStringLiteral("*****devider*****");
// Larger files are refused rather than read.
inline constexpr qint64 StatsFileMaxSize = 16 * 1024 * 1024;

struct StatsLists
{
    QList<RankingEntry> servers;
    QList<RankingEntry> players;

    friend bool operator==(const StatsLists &, const StatsLists &) = default;
};

// The whole file. Texts longer than their field are cut; characters that
// Windows-1252 lacks are written as "?".
QByteArray encodeStatsFile(const QList<RankingEntry> &servers, const QList<RankingEntry> &players);

// The lists of a file, empty when its header is not exactly the one written.
// Records go to the servers until one named as the divider (which is not
// kept), then to the players; an entry that sameEntry() matches with one
// already in its list is left out, and so is an incomplete last record. A
// length byte beyond its field reads as the whole field.
StatsLists decodeStatsFile(QByteArrayView bytes);

// Writes the file through a temporary file that replaces it as a whole.
bool saveStatsFile(const QString &path, const StatsLists &lists, QString *error);

// The lists in the file; empty lists when there is no file. Nothing, with a
// message, when the file cannot be read or is larger than StatsFileMaxSize.
std::optional<StatsLists> loadStatsFile(const QString &path, QString *error);

} // namespace Stats
