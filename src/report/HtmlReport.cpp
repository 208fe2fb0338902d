#include "HtmlReport.h"

#include "core/ProgramVersion.h"
#include "core/StrToIntOrZero.h"
#include "core/TUTServer.h"
#include "core/TeamNames.h"
#include "core/TextDecoding.h"
#include "core/Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <initializer_list>
#include <vector>

namespace Report {

namespace {

constexpr QLatin1StringView kPlayerStart("<%player_data%>");
constexpr QLatin1StringView kPlayerEnd("<%/player_data%>");
constexpr QLatin1StringView kTeamStart("<%team_data%>");
constexpr QLatin1StringView kTeamEnd("<%/team_data%>");
constexpr QLatin1StringView kCommentStart("<!--");
constexpr QLatin1StringView kCommentEnd("-->");

struct Replacement
{
    QLatin1StringView token;
    QString value;
};

// Letter case is ignored for ASCII only, so no other character can pass
// for a letter of a token (Qt's own folding takes "ſ" for "s").
bool startsWithFolded(QStringView text, qsizetype at, QLatin1StringView token)
{
    if (text.size() - at < token.size())
        return false;
    const QStringView candidate = text.sliced(at, token.size());
    if (candidate.compare(token, Qt::CaseInsensitive) != 0)
        return false;
    for (const QChar c : candidate) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

qsizetype findToken(QStringView text, qsizetype from, QLatin1StringView token)
{
    const QChar first(QLatin1Char(token.front()));
    for (qsizetype at = text.indexOf(first, from); at >= 0; at = text.indexOf(first, at + 1)) {
        if (startsWithFolded(text, at, token))
            return at;
    }
    return -1;
}

// Every occurrence of the token, in any case, replaced in one pass; the
// inserted value is not searched again. Stops once the text is longer than
// a page may be.
void replaceAll(QString &text, const Replacement &r)
{
    qsizetype at = findToken(text, 0, r.token);
    if (at < 0)
        return;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (; at >= 0 && out.size() <= kPageCharLimit; at = findToken(text, at, r.token)) {
        out += QStringView(text).sliced(copied, at - copied);
        out += r.value;
        at += r.token.size();
        copied = at;
    }
    if (at < 0)
        out += QStringView(text).sliced(copied);
    text = std::move(out);
}

// Several "%" tokens, none a prefix of another, replaced in one pass.
QString replaceTokens(QStringView text, std::initializer_list<Replacement> tokens)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const Replacement *hit = nullptr;
        if (text[i] == QLatin1Char('%')) {
            for (const Replacement &r : tokens) {
                if (startsWithFolded(text, i, r.token))
                    hit = &r;
            }
        }
        if (hit) {
            out += hit->value;
            i += hit->token.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Every line ended by CR LF, the last one too; CR, LF and CR LF all end a line.
QString withCrLfLines(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    qsizetype cr = text.indexOf(QLatin1Char('\r'));
    qsizetype lf = text.indexOf(QLatin1Char('\n'));
    qsizetype i = 0;
    while (cr >= 0 || lf >= 0) {
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : qMin(cr, lf);
        out += text.sliced(i, end - i);
        out += QLatin1StringView("\r\n");
        i = end + (end == cr && lf == cr + 1 ? 2 : 1);
        if (cr >= 0 && cr < i)
            cr = text.indexOf(QLatin1Char('\r'), i);
        if (lf >= 0 && lf < i)
            lf = text.indexOf(QLatin1Char('\n'), i);
    }
    out += text.sliced(i);
    if (i < text.size())
        out += QLatin1StringView("\r\n");
    return out;
}

QString replyText(QByteArrayView bytes)
{
    return escapeHtml(decodeUtf8OrWindows1252(bytes));
}

QString tooLarge()
{
    return QStringLiteral("The page would be longer than %1 characters.").arg(kPageCharLimit);
}

QString notAnInteger(QByteArrayView bytes)
{
    QString shown = decodeUtf8OrWindows1252(bytes);
    if (shown.size() > 40)
        shown = shown.left(40) + QStringLiteral("...");
    return QStringLiteral("'%1' is not a valid integer value").arg(shown);
}

std::vector<Replacement> serverReplacements(const TUTServer &s, const QDateTime &now)
{
    const QLocale locale = QLocale::system();
    const QString address = escapeHtml(s.Host + QLatin1Char(':') + decodeUtf8OrWindows1252(s.HostPort));
    const QString credit = QStringLiteral("Created by <a href=\"%1\">Quorvelin</a> version %2")
                               .arg(HomePage)
                               .arg(ProgramVersion::kCurrent);
    const auto r = [](const char *token, QString value) { return Replacement{QLatin1StringView(token), value}; };
    return {
        r("<%server_name%>", replyText(s.HostName)),
        r("<%server_address%>", address),
        r("<%server_admin%>", replyText(s.AdminName)),
        r("<%server_admin_email%>", replyText(s.AdminEMail)),
        r("<%map_title%>", replyText(s.MapTitle)),
        r("<%map_name%>", replyText(s.MapName)),
        r("<%game_type%>", replyText(s.GameType)),
        r("<%current_players%>", replyText(s.NumPlayers)),
        r("<%maximum_players%>", replyText(s.MaxPlayers)),
        r("<%game_mode%>", replyText(s.GameMode)),
        r("<%server_version%>", replyText(s.GameVer)),
        r("<%minimal_client_version%>", replyText(s.MinNetVer)),
        r("<%ngworldstats%>", replyText(s.WorldLog)),
        r("<%mutators%>", replyText(s.Mutators)),
        r("<%listen_server%>", replyText(s.ListenServer)),
        r("<%time_limit%>", replyText(s.TimeLimit)),
        r("<%goal_team_score%>", replyText(s.GoalTeamScore)),
        r("<%minimal_players%>", replyText(s.MinPlayers)),
        r("<%change_levels%>", replyText(s.ChangeLevels)),
        r("<%maximum_team%>", replyText(s.MaxTeams)),
        r("<%balance_teams%>", replyText(s.BalanceTeams)),
        r("<%player_balance_teams%>", replyText(s.PlayersBalanceTeams)),
        r("<%friendly_fire%>", replyText(s.FriendlyFire)),
        r("<%frag_limit%>", replyText(s.FragLimit)),
        r("<%tournament%>", replyText(s.Tournament)),
        r("<%game_style%>", replyText(s.GameStyle)),
        r("<%bot_skill%>", replyText(s.BotSkill)),
        r("<%creation_time%>", locale.toString(now.time(), QLocale::LongFormat)),
        r("<%creation_date%>", locale.toString(now.date(), QLocale::ShortFormat)),
        r("<%created_by%>", credit),
    };
}

// The block between the first start marker and the first end marker after
// it; both markers and the block are cut out of the text, and the position
// of the start marker is where the rows go.
struct Section
{
    qsizetype position = -1;
    QString block;
};

std::optional<Section> cutSection(QString &text, QLatin1StringView start, QLatin1StringView end)
{
    const qsizetype p = text.indexOf(start);
    if (p < 0)
        return std::nullopt;
    const qsizetype e = text.indexOf(end, p + start.size());
    if (e < 0)
        return std::nullopt;
    Section section{p, text.sliced(p + start.size(), e - p - start.size())};
    text.remove(p, e + end.size() - p);
    return section;
}

QString filled(const QString &block, std::initializer_list<Replacement> values)
{
    QString row = block;
    for (const Replacement &r : values) {
        replaceAll(row, r);
        if (row.size() > kPageCharLimit)
            break;
    }
    return row;
}

// Puts the rows in at the section's place, unless the page grows too long.
bool insertRows(QString &text, const Section &section, const QString &rows, QString *error)
{
    if (text.size() + rows.size() > kPageCharLimit) {
        *error = tooLarge();
        return false;
    }
    text.insert(section.position, rows);
    return true;
}

bool fillPlayers(QString &text, const TUTServer &server, QString *error)
{
    const std::optional<Section> section = cutSection(text, kPlayerStart, kPlayerEnd);
    if (!section)
        return true;
    qint32 count = 0;
    if (!tryStrToInt(server.NumPlayers, count)) {
        *error = notAnInteger(server.NumPlayers);
        return false;
    }
    QString rows;
    for (int i = 0; i < qMin(count, kPlayerRowLimit); ++i) {
        const TPlayerRecord &p = server.Players[static_cast<size_t>(i)];
        const std::optional<QString> team = teamNumberToName(p.Team);
        if (!team) {
            *error = notAnInteger(p.Team);
            return false;
        }
        rows += filled(section->block, {{QLatin1StringView("<%player__name%>"), replyText(p.Name)},
                                        {QLatin1StringView("<%player__frags%>"), replyText(p.Frags)},
                                        {QLatin1StringView("<%player__team%>"), *team},
                                        {QLatin1StringView("<%player__ping%>"), replyText(p.Ping)},
                                        {QLatin1StringView("<%player__ngworldstats%>"), replyText(p.NgSecret)},
                                        {QLatin1StringView("<%player__mesh%>"), replyText(p.Mesh)},
                                        {QLatin1StringView("<%player__skin%>"), replyText(p.Skin)},
                                        {QLatin1StringView("<%player__face%>"), replyText(p.Face)}});
        if (rows.size() > kPageCharLimit)
            break;
    }
    return insertRows(text, *section, rows, error);
}

bool fillTeams(QString &text, const TUTServer &server, QString *error)
{
    const std::optional<Section> section = cutSection(text, kTeamStart, kTeamEnd);
    if (!section)
        return true;
    QString rows;
    for (const TTeamRecord &t : server.Teams) {
        const std::optional<int> size = teamSizeValue(t.Size);
        if (!size) {
            *error = notAnInteger(t.Size);
            return false;
        }
        if (*size <= 0)
            continue;
        rows += filled(section->block, {{QLatin1StringView("<%team__name%>"), replyText(t.Name)},
                                        {QLatin1StringView("<%team__score%>"), replyText(t.Score)},
                                        {QLatin1StringView("<%team__size%>"), replyText(t.Size)}});
        if (rows.size() > kPageCharLimit)
            break;
    }
    return insertRows(text, *section, rows, error);
}

struct Template
{
    QString text;
    bool utf8 = false;
    bool byteOrderMark = false;
};

Template decodeTemplate(QByteArrayView bytes)
{
    Template t;
    t.byteOrderMark = bytes.startsWith("\xEF\xBB\xBF");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    t.text = utf8.decode(t.byteOrderMark ? bytes.sliced(3) : bytes);
    t.utf8 = !utf8.hasError();
    if (!t.utf8) {
        t.byteOrderMark = false;
        t.text = fromWindows1252(bytes);
    }
    return t;
}

QByteArray encodePage(const QString &text, const Template &source)
{
    if (source.utf8)
        return (source.byteOrderMark ? QByteArrayLiteral("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    forEachCodePoint(text, [&bytes](char32_t codePoint) {
        const int b = windows1252Byte(codePoint);
        if (b >= 0)
            bytes.append(static_cast<char>(b));
        else
            bytes.append("&#" + QByteArray::number(quint32(codePoint)) + ';');
    });
    return bytes;
}

// Anything that could take a file name out of its directory or that file
// systems refuse.
QString fileNameValue(QStringView value)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('.') && i + 1 < value.size() && value[i + 1] == QLatin1Char('.')) {
            out += QLatin1Char('_');
            ++i;
        } else if (refused.contains(c) || c.category() == QChar::Other_Control) {
            out += QLatin1Char('_');
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::optional<QString> teamNumberToName(QByteArrayView team)
{
    // A slot the players reply never filled has no team; it is no error.
    if (team.isEmpty())
        return TeamNames::name(-1);
    qint32 number = 0;
    if (!tryStrToInt(team, number))
        return std::nullopt;
    return TeamNames::name(number);
}

std::optional<int> teamSizeValue(QByteArrayView size)
{
    const qsizetype point = size.indexOf('.');
    const QByteArrayView whole = point < 0 ? size : size.first(point);
    if (whole.isEmpty())
        return 0;
    qint32 value = 0;
    if (!tryStrToInt(whole, value))
        return std::nullopt;
    return value;
}

QString escapeHtml(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1StringView("&amp;"); break;
        case '<': out += QLatin1StringView("&lt;"); break;
        case '>': out += QLatin1StringView("&gt;"); break;
        case '"': out += QLatin1StringView("&quot;"); break;
        case '\'': out += QLatin1StringView("&#39;"); break;
        default: out += c;
        }
    }
    return out;
}

QString removeComments(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    for (;;) {
        // A removal joins what was kept to what follows, which may make a
        // new "<!--" from up to three kept characters.
        qsizetype kept = 0;
        for (qsizetype k = 3; k > 0 && kept == 0; --k) {
            if (out.endsWith(kCommentStart.first(k)) && text.sliced(i).startsWith(kCommentStart.sliced(k)))
                kept = k;
        }
        if (kept == 0) {
            const qsizetype s = text.indexOf(kCommentStart, i);
            if (s < 0)
                break;
            out += text.sliced(i, s - i);
            i = s;
        }
        // text[i..markerEnd) holds the rest of the "<!--"; its dashes may
        // also start the "-->".
        const qsizetype markerEnd = i + kCommentStart.size() - kept;
        qsizetype end = -1;
        if (markerEnd < text.size() && text[markerEnd] == QLatin1Char('>'))
            end = markerEnd + 1;
        else if (const qsizetype e = text.indexOf(kCommentEnd, markerEnd - 1); e >= 0)
            end = e + kCommentEnd.size();
        if (end < 0)
            break;
        out.chop(kept);
        i = end;
    }
    out += text.sliced(i);
    return out;
}

std::optional<QByteArray> generatePage(QByteArrayView templateBytes, const TUTServer &server, const QDateTime &now,
                                       QString *error)
{
    const Template source = decodeTemplate(templateBytes);
    QString text = removeComments(withCrLfLines(source.text));
    QString message;
    for (const Replacement &r : serverReplacements(server, now)) {
        replaceAll(text, r);
        if (text.size() > kPageCharLimit) {
            message = tooLarge();
            break;
        }
    }
    if (!message.isEmpty() || !fillPlayers(text, server, &message) || !fillTeams(text, server, &message)) {
        if (error)
            *error = message;
        return std::nullopt;
    }
    return encodePage(withCrLfLines(text), source);
}

QString outputFileName(const TUTServer &server, const QString &format)
{
    return replaceTokens(format,
                         {{QLatin1StringView("%ip"), fileNameValue(server.Host)},
                          {QLatin1StringView("%port"), fileNameValue(decodeUtf8OrWindows1252(server.HostPort))},
                          {QLatin1StringView("%name"), fileNameValue(decodeUtf8OrWindows1252(server.HostName))}});
}

std::optional<QString> outputPath(const QString &outputDir, const QString &fileName)
{
    if (outputDir.isEmpty() || fileName.isEmpty() || fileName.endsWith(QLatin1Char('/')))
        return std::nullopt;
    const QString base = QDir::cleanPath(outputDir);
    const QString path = QDir::cleanPath(outputDir + fileName);
    QString inside;
    if (base == QLatin1String("."))
        inside = QDir::isAbsolutePath(path) ? QString() : path;
    else if (base.endsWith(QLatin1Char('/')))
        inside = path.startsWith(base) ? path.sliced(base.size()) : QString();
    else
        inside = path.startsWith(base + QLatin1Char('/')) ? path.sliced(base.size() + 1) : QString();
    if (inside.isEmpty() || inside == QLatin1String("..") || inside.startsWith(QLatin1String("../")))
        return std::nullopt;
    return outputDir + fileName;
}

QString commandText(const QString &command, const QString &outputDir, const QString &programDir)
{
    return replaceTokens(command,
                         {{QLatin1StringView("%outputdir"), outputDir}, {QLatin1StringView("%progdir"), programDir}});
}

CommandAction commandAction(const QString &text)
{
    if (text.isEmpty())
        return {};
    const QFileInfo info(text);
    if (info.isFile() && info.isExecutable())
        return {CommandAction::Kind::Start, info.absoluteFilePath(), {}};
    if (info.exists())
        return {CommandAction::Kind::Open, {}, QUrl::fromLocalFile(info.absoluteFilePath())};
    // One letter before ":" is a drive, not a scheme.
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1)
        return {CommandAction::Kind::Open, {}, url};
    return {};
}

} // namespace Report
