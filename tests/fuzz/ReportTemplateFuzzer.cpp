// Feeds arbitrary bytes as an HTML page template, with some of them as the
// server's reply values, to the page generator, and checks the page's line
// ends and encoding and the one-pass comment removal against the obvious
// repeated one.
//
// Input: a flags byte, a player count byte, a length byte L, then L bytes of
// values separated by "|", then the template.
#include "core/TUTServer.h"
#include "report/HtmlReport.h"

#include <QByteArray>
#include <QDir>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(bytes);
    return !utf8.hasError();
}

QString removeCommentsRepeatedly(QString text)
{
    for (;;) {
        const qsizetype start = text.indexOf(QLatin1StringView("<!--"));
        const qsizetype end = start < 0 ? -1 : text.indexOf(QLatin1StringView("-->"), start);
        if (end < 0)
            return text;
        text = text.left(start) + text.sliced(end + 3);
    }
}

void fillServer(TUTServer &server, quint8 flags, quint8 players, QByteArrayView values)
{
    std::vector<QByteArray *> targets = {&server.HostName, &server.HostPort, &server.AdminName, &server.MapTitle,
                                         &server.NumPlayers};
    for (TTeamRecord &team : server.Teams)
        targets.insert(targets.end(), {&team.Size, &team.Name, &team.Score});
    for (TPlayerRecord &player : server.Players) {
        player.Team = (flags & 1) ? QByteArray::number(players % 4) : QByteArrayLiteral("255");
        targets.insert(targets.end(), {&player.Name, &player.Team, &player.Frags});
    }
    server.NumPlayers = QByteArray::number(players % 60);
    size_t field = 0;
    for (qsizetype from = 0; from <= values.size() && field < targets.size(); ++field) {
        qsizetype bar = values.indexOf('|', from);
        if (bar < 0)
            bar = values.size();
        if (!(flags & 2) || targets[field] != &server.NumPlayers)
            *targets[field] = values.sliced(from, bar - from).toByteArray();
        from = bar + 1;
    }
}

void checkPage(const QByteArray &page, QByteArrayView templateBytes)
{
    // Every CR and every LF belongs to a CR LF.
    const qsizetype lineEnds = page.count(QByteArrayView("\r\n"));
    require(page.count('\r') == lineEnds && page.count('\n') == lineEnds);
    // A template of nothing but a byte order mark has no line at all.
    const QByteArrayView body = page.startsWith("\xEF\xBB\xBF") ? QByteArrayView(page).sliced(3) : QByteArrayView(page);
    require(body.isEmpty() || body.endsWith("\r\n"));
    if (isUtf8(templateBytes))
        require(isUtf8(page));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto valuesLength = qMin<qsizetype>(static_cast<quint8>(input[2]), input.size() - 3);
    const QByteArrayView templateBytes = input.sliced(3 + valuesLength);

    TUTServer server(QStringLiteral("10.0.0.1"), 7778);
    fillServer(server, static_cast<quint8>(input[0]), static_cast<quint8>(input[1]), input.sliced(3, valuesLength));

    QString error;
    const std::optional<QByteArray> page =
        Report::generatePage(templateBytes, server, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)), &error);
    if (page)
        checkPage(*page, templateBytes);
    else
        require(!error.isEmpty());

    const QString text = QString::fromLatin1(templateBytes);
    if (templateBytes.size() <= 4096)
        require(Report::removeComments(text) == removeCommentsRepeatedly(text));

    const QString name = Report::outputFileName(server, text.left(64));
    if (const std::optional<QString> path = Report::outputPath(QStringLiteral("/out/"), name))
        require(QDir::cleanPath(*path).startsWith(QLatin1StringView("/out/")));
    return 0;
}
