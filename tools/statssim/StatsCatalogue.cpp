#include "StatsCatalogue.h"

#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <QSet>

#include <utility>

namespace {

const QList<std::pair<QString, QString>> &modeTitles()
{
    static const QList<std::pair<QString, QString>> kTitles = {
        {QStringLiteral("dm"), QStringLiteral("DeathMatch")},
        {QStringLiteral("ctf"), QStringLiteral("Capture the Flag")},
        {QStringLiteral("dom"), QStringLiteral("Domination")},
        {QStringLiteral("team"), QStringLiteral("Team DeathMatch")},
        {QStringLiteral("lms"), QStringLiteral("Last Man Standing")},
        {QStringLiteral("ass"), QStringLiteral("Assault")},
        {QStringLiteral("mod"), QStringLiteral("Mod")},
    };
    return kTitles;
}

// The game mode code of a game type of the farm.
QString modeOf(const QString &gameType)
{
    static const QMap<QString, QString> kModes = {
        {QStringLiteral("DeathMatchPlus"), QStringLiteral("dm")},
        {QStringLiteral("CTFGame"), QStringLiteral("ctf")},
        {QStringLiteral("Domination"), QStringLiteral("dom")},
        {QStringLiteral("TeamGamePlus"), QStringLiteral("team")},
        {QStringLiteral("LastManStanding"), QStringLiteral("lms")},
        {QStringLiteral("Assault"), QStringLiteral("ass")},
    };
    return kModes.value(gameType, QStringLiteral("mod"));
}

constexpr quint64 kFarmServerIds = 3000000;
constexpr quint64 kFarmPlayerIds = 3100000;

StatsEntry entry(quint64 id, const char16_t *name, QMap<QString, StatsRanks> ranks, const char *address = nullptr)
{
    return {id, QString::fromUtf16(name), address ? QString::fromLatin1(address) : QString(), std::move(ranks)};
}

} // namespace

const StatsEntry *StatsCatalogue::find(StatsKind kind, quint64 id) const
{
    for (const StatsEntry &candidate : entries(kind)) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

const QStringList &StatsCatalogue::gameModes()
{
    static const QStringList kModes = [] {
        QStringList codes;
        for (const auto &[code, title] : modeTitles())
            codes.append(code);
        return codes;
    }();
    return kModes;
}

QString StatsCatalogue::modeTitle(const QString &mode)
{
    for (const auto &[code, title] : modeTitles()) {
        if (code == mode)
            return title;
    }
    return {};
}

StatsCatalogue StatsCatalogue::defaults()
{
    const auto mode = [](const char *code) { return QString::fromLatin1(code); };
    StatsCatalogue c;
    c.servers = {
        entry(7, u"Bärenhöhle DeathMatch", {{mode("dm"), {3, 7, 5, 88}}}, "127.0.0.1:7777"),
        entry(482, u"Ölfeld CTF Arena", {{mode("ctf"), {1, 7, 2, 90}}, {mode("dom"), {12, 5, 0, 0}}}, "127.0.0.1:7778"),
        entry(12345, u"Señor Frag's Team Arena", {{mode("team"), {4, 6, 9, 71}}}, "127.0.0.1:7779"),
        entry(1234567, u"Château Assault", {{mode("ass"), {2, 7, 1, 91}}, {mode("ctf"), {17, 3, 40, 22}}},
              "127.0.0.1:7780"),
        entry(2000001, u"Zürich Last Man Arena", {{mode("lms"), {6, 7, 3, 85}}}, "127.0.0.1:7781"),
        entry(99, u"Mod Garage ÆØÅ", {{mode("mod"), {0, 0, 25, 30}}}, "127.0.0.1:7782"),
    };
    c.players = {
        entry(3, u"Ångström", {{mode("dm"), {15, 120.5, 22, 1410.25}}}),
        entry(42, u"Big Frag Daddy", {{mode("ctf"), {1, 2450.75, 1, 30125.5}}, {mode("dm"), {40, 88, 0, 0}}}),
        entry(777, u"Fräulein Frag", {{mode("dom"), {7, 640, 11, 7200.4}}}),
        entry(1001, u"Søren the Quick", {{mode("lms"), {2, 310.2, 6, 3900}}}),
        entry(65536, u"Mr. Ölrich", {{mode("team"), {0, 0, 150, 410.75}}}),
        entry(1234567, u"Player One", {{mode("ctf"), {8, 1.234, 12, 1234.5}}, {mode("ass"), {3, 980, 4, 11050}}}),
        entry(10000000, u"Zoë Überfrag", {{mode("dm"), {5, 1999.9, 3, 25000}}}),
        entry(1999999, u"Rocket Ñandú", {}),
    };
    return c;
}

StatsCatalogue StatsCatalogue::punctuated()
{
    const QString ctf = QStringLiteral("ctf");
    StatsCatalogue c;
    c.servers = {
        entry(5150, u"Joe\u2019s Pub \u2122", {{ctf, {4, 7, 8, 80}}}, "127.0.0.1:7790"),
        entry(5151, u"\u20AC-Pub \u201CCTF\u201D", {{ctf, {9, 5, 20, 44}}}, "127.0.0.1:7791"),
    };
    c.players = {
        entry(2122, u"Fragger\u2122", {{ctf, {3, 1500.5, 5, 12000}}}),
        entry(1919, u"O\u2019Fragger", {{ctf, {11, 640, 17, 5100.25}}}),
        entry(8080, u"\u20ACuro Fragger \u2013 \u0152uvre", {{ctf, {20, 300, 0, 0}}}),
    };
    return c;
}

StatsCatalogue StatsCatalogue::crowd(int count)
{
    StatsCatalogue c;
    c.players.reserve(count);
    for (int n = 1; n <= count; ++n) {
        StatsEntry player;
        player.id = 100000 + quint64(n);
        player.name = QStringLiteral("Crowd Player %1").arg(n);
        player.ranks.insert(QStringLiteral("dm"), {n, 10.0 * n, n, 100.0 * n});
        c.players.append(std::move(player));
    }
    return c;
}

void StatsCatalogue::addFarm(int count, quint16 basePort, quint32 randomStart)
{
    SimulatedServerFarm farm(randomStart);
    farm.create(count, basePort);
    QStringList names;
    QSet<QString> seen;
    for (int i = 0; i < farm.size(); ++i) {
        const SimulatedServer &server = *farm.server(i);
        StatsEntry ranked;
        ranked.id = kFarmServerIds + quint64(i);
        ranked.name = server.config().hostname;
        ranked.address = QStringLiteral("127.0.0.1:%1").arg(server.gamePort());
        ranked.ranks.insert(modeOf(server.config().gameType), {i + 1, double(7 - i % 7), i + 1, double(90 - i % 90)});
        servers.append(std::move(ranked));
        for (const QString &name : SimulatedServerFarm::possiblePlayerNames(server)) {
            if (!seen.contains(name)) {
                seen.insert(name);
                names.append(name);
            }
        }
    }
    const QStringList &modes = gameModes();
    for (qsizetype k = 0; k < names.size(); ++k) {
        StatsEntry player;
        player.id = kFarmPlayerIds + quint64(k);
        player.name = names.at(k);
        const int rank = int(k / 6 + 1);
        player.ranks.insert(modes.at(k % 6), {rank, 1000.0 / rank, rank, 12000.0 / rank});
        players.append(std::move(player));
    }
}
