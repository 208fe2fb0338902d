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

const QByteArray kDividerName = QByteArrayLiteral("*****devider*****");

// The text of a field as it stands in the record.
QByteArrayView fieldText(QByteArrayView record, const Field &field)
{
    const qsizetype length = std::min<qsizetype>(static_cast<uchar>(record[field.offset]), field.width - 1);
    return record.sliced(field.offset + 1, length);
}

// The divider record: the divider's name and six empty fields.
bool isDivider(QByteArrayView record)
{
    if (fieldText(record, kFields[0]) != kDividerName)
        return false;
    return std::all_of(kFields.cbegin() + 1, kFields.cend(),
                       [record](const Field &field) { return record[field.offset] == 0; });
}

void appendRecord(QByteArray &bytes, const RankingEntry &entry, bool divider = false)
{
    const qsizetype start = bytes.size();
    bytes.append(kStatsRecordSize, '\0');
    char *record = bytes.data() + start;
    for (const Field &field : kFields) {
        QByteArray text = toWindows1252(entry.*field.member).left(field.width - 1);
        // Other readers take any record named as the divider for it, so an
        // entry of that name keeps one of the zero bytes after it in its text;
        // the reader here drops trailing zero bytes from names again.
        if (field.member == &RankingEntry::name && !divider && text == kDividerName)
            text.append('\0');
        record[field.offset] = static_cast<char>(text.size());
        std::copy(text.cbegin(), text.cend(), record + field.offset + 1);
    }
}

RankingEntry readRecord(QByteArrayView record)
{
    RankingEntry entry;
    for (const Field &field : kFields)
        entry.*field.member = fromWindows1252(fieldText(record, field));
    while (entry.name.endsWith(QChar(0)))
        entry.name.chop(1);
    return entry;
}

} // namespace

QByteArray encodeStatsFile(const QList<RankingEntry> &servers, const QList<RankingEntry> &players)
{
    QByteArray bytes = header();
    bytes.reserve(kStatsHeaderSize + (servers.size() + players.size() + 1) * kStatsRecordSize);
    for (const RankingEntry &entry : servers)
        appendRecord(bytes, entry);
    RankingEntry divider;
    divider.name = kStatsDivider;
    appendRecord(bytes, divider, true);
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
    for (qsizetype at = kStatsHeaderSize; bytes.size() - at >= kStatsRecordSize; at += kStatsRecordSize) {
        const QByteArrayView record = bytes.sliced(at, kStatsRecordSize);
        if (isDivider(record)) {
            if (target != &lists.players)
                seen.clear();
            target = &lists.players;
            continue;
        }
        RankingEntry entry = readRecord(record);
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

std::optional<QString> setStatsFileAside(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QString();
    for (int n = 1; n < 1000; ++n) {
        const QString aside = path + QStringLiteral(".unread") + (n == 1 ? QString() : QStringLiteral("-%1").arg(n));
        const QFileInfo taken(aside);
        if (taken.exists() || taken.isSymLink())
            continue;
        QFile file(path);
        if (file.rename(aside))
            return aside;
        if (error)
            *error = QStringLiteral("\"%1\" cannot be renamed to \"%2\": %3").arg(path, aside, file.errorString());
        return std::nullopt;
    }
    if (error)
        *error = QStringLiteral("\"%1\" cannot be renamed: every name for it is taken.").arg(path);
    return std::nullopt;
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
    const QByteArray bytes = file.read(kStatsFileMaxSize + 1);
    if (bytes.size() > kStatsFileMaxSize) {
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
