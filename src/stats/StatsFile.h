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
// to width - 1 bytes of Windows-1252 text. The divider record holds the
// divider's name and six empty fields; an entry of that name is written
// with a zero byte after its name text, so that no reader takes it for the
// divider.
namespace Stats {

inline constexpr qsizetype kStatsHeaderSize = 29;
inline constexpr qsizetype kStatsRecordSize = 156;
// The name of the record between the servers and the players.
inline const QString kStatsDivider = QStringLiteral("*****devider*****");
// Larger files are refused rather than read.
inline constexpr qint64 kStatsFileMaxSize = 16 * 1024 * 1024;

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
// Records go to the servers until the divider record (which is not kept),
// then to the players; an entry that sameEntry() matches with one already
// in its list is left out, and so is an incomplete last record. A length
// byte beyond its field reads as the whole field, and zero bytes at the end
// of a name are dropped.
StatsLists decodeStatsFile(QByteArrayView bytes);

// Writes the file through a temporary file that replaces it as a whole.
bool saveStatsFile(const QString &path, const StatsLists &lists, QString *error);

// Moves a file that could not be read out of the way of a new one, to
// path + ".unread" (or ".unread-2" and on, when that name is taken). The
// name it now has; an empty text when there is no file at path; nothing,
// with a message, when it cannot be moved.
std::optional<QString> setStatsFileAside(const QString &path, QString *error);

// The lists in the file; empty lists when there is no file. Nothing, with a
// message, when the file cannot be read or is larger than kStatsFileMaxSize.
std::optional<StatsLists> loadStatsFile(const QString &path, QString *error);

} // namespace Stats
