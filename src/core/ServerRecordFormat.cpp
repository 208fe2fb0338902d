#include "ServerRecordFormat.h"

#include "TUTServer.h"

#include <QString>

#include <cstdio>

namespace ServerRecordFormat {

namespace {

void appendJsonString(QByteArray &out, const QString &text)
{
    out.append('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out.append('\\').append(static_cast<char>(u));
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(u));
            out.append(escaped);
        } else {
            out.append(QString(c).toUtf8());
        }
    }
    out.append('"');
}

void appendJsonBytes(QByteArray &out, const QByteArray &bytes)
{
    appendJsonString(out, QString::fromLatin1(bytes));
}

void appendKey(QByteArray &out, const char *key)
{
    if (!out.endsWith('{') && !out.endsWith('['))
        out.append(',');
    out.append('"').append(key).append("\":");
}

QString latin(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

} // namespace

QByteArray toJsonLine(const TUTServer &server, bool replied)
{
    QByteArray out = "{";
    appendKey(out, "Host");
    appendJsonString(out, server.Host);
    appendKey(out, "QueryPort");
    out.append(QByteArray::number(server.queryPort()));
    for (const TUTServer::TextField &field : TUTServer::textFields()) {
        appendKey(out, field.name);
        appendJsonBytes(out, server.*field.member);
    }

    appendKey(out, "Players");
    out.append('[');
    const int slots = server.validPlayerSlots();
    for (int k = 0; k < slots; ++k) {
        const TPlayerRecord &p = server.Players[static_cast<size_t>(k)];
        if (k > 0)
            out.append(',');
        out.append('{');
        const std::pair<const char *, const QByteArray *> fields[] = {
            {"Name", &p.Name}, {"Frags", &p.Frags}, {"Ping", &p.Ping}, {"Team", &p.Team},
            {"Mesh", &p.Mesh}, {"Skin", &p.Skin},   {"Face", &p.Face}, {"NgSecret", &p.NgSecret},
        };
        for (const auto &[name, value] : fields) {
            appendKey(out, name);
            appendJsonBytes(out, *value);
        }
        out.append('}');
    }
    out.append(']');

    appendKey(out, "PlayerSlotCount");
    appendJsonBytes(out, server.PlayerSlotCount);

    appendKey(out, "Teams");
    out.append('[');
    for (size_t k = 0; k < server.Teams.size(); ++k) {
        const TTeamRecord &t = server.Teams[k];
        if (k > 0)
            out.append(',');
        out.append('{');
        appendKey(out, "Name");
        appendJsonBytes(out, t.Name);
        appendKey(out, "Score");
        appendJsonBytes(out, t.Score);
        appendKey(out, "Size");
        appendJsonBytes(out, t.Size);
        out.append('}');
    }
    out.append(']');

    appendKey(out, "Ping");
    out.append(QByteArray::number(server.Ping));
    appendKey(out, "Replied");
    out.append(replied ? "true" : "false");
    out.append("}\n");
    return out;
}

QByteArray toText(const TUTServer &server, bool replied)
{
    QString text = server.Host + QLatin1Char(':') + QString::number(server.queryPort());
    if (!replied)
        return (text + QStringLiteral("  no reply\n")).toUtf8();

    text += QStringLiteral("  ") + latin(server.HostName) + QStringLiteral("\n  ping ") + QString::number(server.Ping)
        + QStringLiteral(" ms, ") + latin(server.NumPlayers) + QLatin1Char('/') + latin(server.MaxPlayers)
        + QStringLiteral(" players\n");
    for (const TUTServer::TextField &field : TUTServer::textFields()) {
        const QByteArray &value = server.*field.member;
        if (!value.isEmpty() && field.member != &TUTServer::HostName)
            text += QStringLiteral("  ") + QLatin1String(field.name) + QStringLiteral(": ") + latin(value) + QLatin1Char('\n');
    }
    const int slots = server.validPlayerSlots();
    if (slots > 0)
        text += QStringLiteral("  players (name, frags, ping, team):\n");
    for (int k = 0; k < slots; ++k) {
        const TPlayerRecord &p = server.Players[static_cast<size_t>(k)];
        text += QStringLiteral("    %1  %2  %3  %4\n")
                    .arg(latin(p.Name), latin(p.Frags), latin(p.Ping).trimmed(), latin(p.Team));
    }
    for (const TTeamRecord &t : server.Teams) {
        if (!t.Name.isEmpty())
            text += QStringLiteral("  team %1: score %2, size %3\n").arg(latin(t.Name), latin(t.Score), latin(t.Size));
    }
    return text.toUtf8();
}

} // namespace ServerRecordFormat
