#include "ConsoleMain.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "ConsoleRun.h"
#include "ProcessExit.h"
#include "config/ConfigFile.h"
#include "config/Configuration.h"
#include "core/BulkQuery.h"
#include "discovery/ConsoleMaster.h"
#include "history/HistoryStore.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/QtProcessLauncher.h"
#include "platform/SystemHostResolver.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"
#include "platform/XdgUrlOpener.h"
#include "report/ConsoleReport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>
#include <memory>

namespace {

// "--master SOURCE --query ...": the listed servers are queried in the order
// listed, each once; entries that are not ADDRESS:QUERYPORT are counted and
// skipped.
int runMasterQuery(int argc, char **argv, const QStringList &masterArguments, const QStringList &queryArguments)
{
    QString error;
    std::optional<ConsoleMaster::Options> masterOptions = ConsoleMaster::parseArguments(masterArguments, &error);
    if (!masterOptions)
        return badArgument(error);
    std::optional<BulkQuery::Options> queryOptions = BulkQuery::parseArguments(queryArguments, &error, false);
    if (!queryOptions)
        return badArgument(error);
    if (!queryOptions->targets.isEmpty())
        return badArgument(QStringLiteral("--master ... --query takes its servers from the list only"));
    queryOptions->json = queryOptions->json || masterOptions->json;
    masterOptions->print = false;
    useLeanEventDispatcher();
    QCoreApplication app(argc, argv);
    ConsoleStreams streams;
    SystemHostResolver resolver;
    ConsoleMaster master(*masterOptions, streams.out, streams.err);
    std::unique_ptr<BulkQuery> query;
    QObject::connect(&master, &ConsoleMaster::listReceived, &app, [&](const QList<MasterList::ListedServer> &servers) {
        int skipped = 0;
        QString entryError;
        for (const MasterList::ListedServer &server : servers) {
            const std::optional<ServerAddress> address =
                ServerAddress::parse(server.address + QLatin1Char(':') + server.port, &entryError);
            if (address)
                queryOptions->targets.append(*address);
            else
                ++skipped;
        }
        if (skipped > 0)
            streams.err.write(QStringLiteral("quorvelin: %1 listed entries that are not "
                                             "ADDRESS:QUERYPORT skipped\n")
                                  .arg(skipped)
                                  .toUtf8());
        query = std::make_unique<BulkQuery>(std::move(*queryOptions), resolver);
        QObject::connect(query.get(), &BulkQuery::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
        query->start(streams.out, streams.err);
    });
    QObject::connect(&master, &ConsoleMaster::finished, &app, [](int code) {
        if (code != ConsoleMaster::ListRead)
            QCoreApplication::exit(BulkQuery::SomeMissing);
    });
    master.start();
    streams.exit(QCoreApplication::exec());
}

int runMaster(int argc, char **argv, const CommandLine &commandLine)
{
    const qsizetype queryAt = commandLine.masterArguments.indexOf(QStringLiteral("--query"));
    if (queryAt >= 0)
        return runMasterQuery(argc, argv, commandLine.masterArguments.first(queryAt),
                              commandLine.masterArguments.sliced(queryAt + 1));
    QString error;
    const std::optional<ConsoleMaster::Options> options =
        ConsoleMaster::parseArguments(commandLine.masterArguments, &error);
    if (!options)
        return badArgument(error);
    QCoreApplication app(argc, argv);
    ConsoleStreams streams;
    ConsoleMaster master(*options, streams.out, streams.err);
    QObject::connect(&master, &ConsoleMaster::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    master.start();
    streams.exit(QCoreApplication::exec());
}

int runReport(int argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    ConsoleMessageBoxes messages;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString profile =
        AppPaths::profileDirectory(commandLine.profile, programDir, AppPaths::userConfigDirectory());
    const ConfigFile config(QDir(profile).filePath(QStringLiteral("Quorvelin.ini")), messages);
    const IniFile ini = config.read();
    const Settings settings = Configuration::loadConfiguration(ini, profile + QLatin1Char('/'));
    QtProcessLauncher processes;
    XdgUrlOpener urls(processes);
    QFile err;
    err.open(stderr, QIODevice::WriteOnly);
    ConsoleReport report({socket, platform.services, processes, urls, programDir + QLatin1Char('/')});
    QObject::connect(&report, &ConsoleReport::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    report.start(ini, settings, err);
    const int status = QCoreApplication::exec();
    err.flush();
    exitWithoutWaiting(status);
}

QString utcText(qint64 time)
{
    return QDateTime::fromSecsSinceEpoch(time, Qt::UTC).toString(Qt::ISODate);
}

// One sample a line; control characters a server sent are shown as '?'.
QByteArray historyText(const QList<HistorySample> &samples)
{
    QString text;
    for (const HistorySample &sample : samples) {
        QString map = sample.map;
        for (QChar &c : map) {
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char('?');
        }
        text += QStringLiteral("%1 %2/%3").arg(utcText(sample.time)).arg(sample.players).arg(sample.maxPlayers);
        if (!map.isEmpty())
            text += QLatin1Char(' ') + map;
        text += QLatin1Char('\n');
    }
    return text.toUtf8();
}

QByteArray historyJson(const QList<HistorySample> &samples)
{
    QJsonArray array;
    for (const HistorySample &sample : samples) {
        array.append(QJsonObject{{QStringLiteral("time"), utcText(sample.time)},
                                 {QStringLiteral("players"), sample.players},
                                 {QStringLiteral("maxPlayers"), sample.maxPlayers},
                                 {QStringLiteral("map"), sample.map}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

// "--history ADDRESS:QUERYPORT": the samples the profile's history holds of
// the server, oldest first. Reads only: a missing file is no history.
int runHistory(int argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    ConsoleStreams streams;
    const QString profile = AppPaths::profileDirectory(commandLine.profile, QCoreApplication::applicationDirPath(),
                                                       AppPaths::userConfigDirectory());
    const HistoryServer server{commandLine.historyServer.address, commandLine.historyServer.port};
    const QString path = HistoryStore::filePath(profile);
    const auto fail = [&streams](const QString &message) {
        streams.err.write(QStringLiteral("quorvelin: %1\n").arg(message).toUtf8());
        streams.exit(1);
    };
    if (!QFileInfo::exists(path))
        fail(QStringLiteral("No history for %1: there is no history file in %2").arg(server.key(), profile));
    HistoryStore store;
    if (!store.open(path, HistoryStore::Mode::ReadOnly))
        fail(store.errorString());
    const QList<HistorySample> samples = store.samples(server, 0, std::numeric_limits<qint64>::max());
    if (!store.isAvailable())
        fail(store.errorString());
    if (samples.isEmpty())
        fail(QStringLiteral("No history for %1").arg(server.key()));
    streams.out.write(commandLine.json ? historyJson(samples) : historyText(samples));
    streams.exit(0);
}

} // namespace

int quorvelinConsoleMain(int argc, char **argv)
{
    const CommandLine commandLine = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (commandLine.historyMode)
        return runHistory(argc, argv, commandLine);
    if (commandLine.masterMode)
        return runMaster(argc, argv, commandLine);
    return runReport(argc, argv, commandLine);
}
