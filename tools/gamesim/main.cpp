// quorvelin-gamesim: serves simulated game servers on 127.0.0.1 for demos and benchmarks.

#include "SimulatedServer.h"
#include "SimulatedServerFarm.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include <csignal>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

bool readNumber(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high, qint64 &out)
{
    bool ok = false;
    out = parser.value(option).toLongLong(&ok);
    if (ok && out >= low && out <= high)
        return true;
    QTextStream(stderr) << "quorvelin-gamesim: --" << option << " must be a number from " << low << " to " << high
                        << Qt::endl;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvelin-gamesim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated Unreal Tournament servers on 127.0.0.1."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("count"), QStringLiteral("Number of servers (default 5)."), QStringLiteral("N"), QStringLiteral("5")},
        {QStringLiteral("base-port"), QStringLiteral("First query port; the others follow (default 7778, 0 = ephemeral)."),
         QStringLiteral("P"), QStringLiteral("7778")},
        {QStringLiteral("churn"), QStringLiteral("Change players every MS milliseconds (0 = static)."), QStringLiteral("MS"),
         QStringLiteral("0")},
        {QStringLiteral("beacon"), QStringLiteral("Also run a LAN beacon per server on 8777 to 8786.")},
        {QStringLiteral("random-start"), QStringLiteral("RNG start value for names, maps and churn (default 1)."),
         QStringLiteral("N"), QStringLiteral("1")},
        {QStringLiteral("run-for"), QStringLiteral("Exit after MS milliseconds (0 = until SIGINT/SIGTERM)."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("quiet"), QStringLiteral("Print only the server lines.")},
    });
    parser.process(app);

    qint64 count = 0, basePort = 0, churn = 0, randomStart = 0, runFor = 0;
    if (!readNumber(parser, QStringLiteral("count"), 1, 4096, count)
        || !readNumber(parser, QStringLiteral("base-port"), 0, 65535, basePort)
        || !readNumber(parser, QStringLiteral("churn"), 0, 3600000, churn)
        || !readNumber(parser, QStringLiteral("random-start"), 0, 0xffffffffLL, randomStart)
        || !readNumber(parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, runFor))
        return 2;
    const bool quiet = parser.isSet(QStringLiteral("quiet"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    SimulatedServerFarm farm{quint32(randomStart)};
    if (!farm.start(int(count), quint16(basePort))) {
        err << "quorvelin-gamesim: cannot bind " << count << " query ports from 127.0.0.1:" << basePort << Qt::endl;
        return 1;
    }
    for (const SimulatedServer *server : farm.servers())
        out << "127.0.0.1:" << server->queryPort() << ' ' << server->config().hostname << '\n';
    out.flush();

    if (parser.isSet(QStringLiteral("beacon"))) {
        const int beacons = farm.startBeacons();
        if (!quiet) {
            for (const LanBeacon *beacon : farm.beacons())
                err << "beacon 127.0.0.1:" << beacon->port() << " -> " << beacon->queryReply() << '\n';
            if (beacons < farm.size())
                err << "no free beacon port for " << farm.size() - beacons << " server(s)\n";
            err.flush();
        }
    }
    farm.setChurnInterval(int(churn));

    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    // Signal handlers may only set a flag; the event loop picks it up here.
    QTimer stopPoll;
    QObject::connect(&stopPoll, &QTimer::timeout, &app, [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    stopPoll.start(50);
    if (runFor > 0)
        QTimer::singleShot(int(runFor), &app, &QCoreApplication::quit);

    const int rc = app.exec();
    if (!quiet) {
        quint64 requests = 0;
        for (const SimulatedServer *server : farm.servers())
            requests += server->requestCount();
        err << "quorvelin-gamesim: answered " << requests << " queries" << Qt::endl;
    }
    return rc;
}
