#include "StatsFile.h"

#include "core/Windows1252.h"
#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <array>

namespace Stats {

namespace {

struct Field
{
    QString RankingEntry::*member;
    qsizetype offset;
    qsizetype width;
};

constexpr std::array<Field, 7> kFields = {{
    {&RankingEntry::name, 0, 100},
    {&RankingEntry::id, 100, 12},
    {&RankingEntry::gameMode, 112, 6},
    {&RankingEntry::weeklyRank, 118, 7},
    {&RankingEntry::weeklyFigure, 125, 12},
    {&RankingEntry::quarterlyRank, 137, 7},
    {&RankingEntry::quarterlyFigure, 144, 12},
}};

QByteArray header()
{
    QByteArray bytes;
    bytes.append(char(24));
    bytes.append("QUORVELIN ngWorldStat DB");
    bytes.append(char(3));
    bytes.append("100");
    return bytes;
}

void appendRecord(QByteArray &bytes, const RankingEntry &entry)
{
    const qsizetype start = bytes.size();
    bytes.append(StatsRecordSize, '\0');
    char *record = bytes.data() + start;
    for (const Field &field : kFields) {
        const QByteArray text = toWindows1252(entry.*field.member).left(field.width - 1);
        record[field.offset] = static_cast<char>(text.size());
        std::copy(text.cbegin(), text.cend(), record + field.offset + 1);
    }
}

RankingEntry readRecord(QByteArrayView record)
{
    RankingEntry entry;
    for (const Field &field : kFields) {
        const qsizetype length = std::min<qsizetype>(static_cast<uchar>(record[field.offset]), field.width - 1);
        entry.*field.member = fromWindows1252(record.sliced(field.offset + 1, length));
    }
    return entry;
}

} // namespace

QByteArray encodeStatsFile(const QList<RankingEntry> &servers, const QList<RankingEntry> &players)
{
    QByteArray bytes = header();
    bytes.reserve(StatsHeaderSize + (servers.size() + players.size() + 1) * StatsRecordSize);
    for (const RankingEntry &entry : servers)
        appendRecord(bytes, entry);
    RankingEntry divider;
    divider.name = StatsDivider;
    appendRecord(bytes, divider);
    for (const RankingEntry &entry : players)
        appendRecord(bytes, entry);
    return bytes;
}

StatsLists decodeStatsFile(QByteArrayView bytes)
{
    StatsLists lists;
    if (!bytes.startsWith(header()))
        return lists;
    QList<RankingEntry> *target = &lists.servers;
    QSet<std::pair<QString, QString>> seen;
    for (qsizetype at = StatsHeaderSize; bytes.size() - at >= StatsRecordSize; at += StatsRecordSize) {
        RankingEntry entry = readRecord(bytes.sliced(at, StatsRecordSize));
        if (entry.name == StatsDivider) {
            if (target != &lists.players)
                seen.clear();
            target = &lists.players;
            continue;
        }
        const std::pair<QString, QString> identity = entryIdentity(entry);
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        target->append(std::move(entry));
    }
    return lists;
}

bool saveStatsFile(const QString &path, const StatsLists &lists, QString *error)
{
    return replaceFileAtomically(path, encodeStatsFile(lists.servers, lists.players), error);
}

std::optional<StatsLists> loadStatsFile(const QString &path, QString *error)
{
    if (!QFileInfo::exists(path))
        return StatsLists();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("The statistics file cannot be read: %1").arg(file.errorString());
        return std::nullopt;
    }
    // Read one byte past the limit, so a file that grows or misstates its size is still caught.
    const QByteArray bytes = file.read(StatsFileMaxSize + 1);
    if (bytes.size() > StatsFileMaxSize) {
        if (error)
            *error = QStringLiteral("The statistics file is too large.");
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("The statistics file cannot be read: %1").arg(file.errorString());
        return std::nullopt;
    }
    return decodeStatsFile(bytes);
}

} // namespace Stats
