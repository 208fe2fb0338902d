#include "ConsoleMaster.h"

#include "MasterExchange.h"
#include "core/StrToIntOrZero.h"

#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<ConsoleMaster::Options> ConsoleMaster::parseArguments(const QStringList &arguments, QString *error)
{
    Options options;
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (options.entry.isEmpty() && !argument.startsWith(QLatin1String("--"))) {
            options.entry = argument;
        } else {
            *error = QStringLiteral("unknown argument %1").arg(argument);
            return std::nullopt;
        }
    }
    if (options.entry.isEmpty()) {
        *error = QStringLiteral("--master needs HOST:PORT or an http:// address");
        return std::nullopt;
    }
    if (!MasterExchange::isWebEntry(options.entry)) {
        const qsizetype colon = options.entry.lastIndexOf(QLatin1Char(':'));
        qint32 port = 0;
        if (colon <= 0 || !tryStrToInt(options.entry.mid(colon + 1).toLatin1(), port) || port < 1 || port > 65535) {
            *error = QStringLiteral("'%1' is not HOST:PORT with a port from 1 to 65535").arg(options.entry);
            return std::nullopt;
        }
    }
    return options;
}

ConsoleMaster::ConsoleMaster(const Options &options, QIODevice &out, QIODevice &err, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
    , m_err(err)
    , m_exchange(new MasterExchange(this))
{
    connect(m_exchange, &MasterExchange::serverListReceived, this, &ConsoleMaster::printList);
    connect(m_exchange, &MasterExchange::failed, this, [this](const QString &message) {
        m_err.write(QStringLiteral("quorvelin: %1: %2\n").arg(m_options.entry, message).toLocal8Bit());
        Q_EMIT finished(NoList);
    });
}

ConsoleMaster::~ConsoleMaster() = default;

void ConsoleMaster::start()
{
    m_exchange->fetchServerList(m_options.entry, QString(), 0);
}

void ConsoleMaster::printList(const QList<MasterList::ListedServer> &servers)
{
    if (!m_options.print) {
        Q_EMIT listReceived(servers);
        Q_EMIT finished(ListRead);
        return;
    }
    for (const MasterList::ListedServer &server : servers) {
        if (m_options.json) {
            const QJsonObject object{{QStringLiteral("Host"), server.address},
                                     {QStringLiteral("QueryPort"), strToIntOrZero(server.port)}};
            m_out.write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
        } else {
            m_out.write((server.address + QLatin1Char(':') + server.port + QLatin1Char('\n')).toUtf8());
        }
    }
    if (!m_options.json)
        m_err.write(QStringLiteral("%1 servers\n").arg(servers.size()).toUtf8());
    Q_EMIT finished(ListRead);
}
