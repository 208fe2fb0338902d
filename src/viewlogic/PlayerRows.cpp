#include "PlayerRows.h"

#include "core/StrToIntOrZero.h"
#include "core/TextCompare.h"
#include "core/TUTServer.h"
#include "core/TeamNames.h"
#include "core/TextDecoding.h"

#include <QStringList>

#include <algorithm>

namespace PlayerRows {

QString Row::column(int index) const
{
    switch (index) {
    case NameColumn: return name;
    case ScoreColumn: return score;
    case TeamColumn: return team;
    case PingColumn: return ping;
    case NgWorldStatsColumn: return ngWorldStats;
    case MeshColumn: return mesh;
    case SkinColumn: return skin;
    case FaceColumn: return face;
    default: return {};
    }
}

QList<Row> rows(const TUTServer &server)
{
    QList<Row> result;
    const int n = server.validPlayerSlots();
    result.reserve(n);
    for (int k = 0; k < n; ++k) {
        const TPlayerRecord &p = server.Players[static_cast<size_t>(k)];
        const auto t = [](const QByteArray &bytes) { return decodeUtf8OrWindows1252(bytes); };
        result.append(Row{t(p.Name), t(p.Frags), TeamNames::name(strToIntOrZero(p.Team)), t(p.Ping), t(p.NgSecret),
                          t(p.Mesh), t(p.Skin), t(p.Face)});
    }
    return result;
}

void sortPlayersView(QList<Row> &rows, int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    const auto compare = [column](const Row &a, const Row &b) -> int {
        switch (column) {
        case NameColumn: return QString::localeAwareCompare(a.name, b.name);
        case ScoreColumn: {
            const int sa = strToIntOrZero(a.score);
            const int sb = strToIntOrZero(b.score);
            return sa == sb ? 0 : (sa > sb ? -1 : 1);
        }
        case PingColumn: {
            const int pa = strToIntOrZero(a.ping);
            const int pb = strToIntOrZero(b.ping);
            return pa == pb ? 0 : (pa < pb ? -1 : 1);
        }
        default: return -compareAsciiFolded(a.column(column), b.column(column));
        }
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) { return compare(a, b) < 0; });
}

QStringList headers()
{
    return {QStringLiteral("player name"),  QStringLiteral("score"), QStringLiteral("team"), QStringLiteral("ping"),
            QStringLiteral("ngWorldStats"), QStringLiteral("mesh"),  QStringLiteral("skin"), QStringLiteral("face")};
}

} // namespace PlayerRows
