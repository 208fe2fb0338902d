#include "CommandLine.h"

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine result;
    // arguments[0] is the program itself.
    qsizetype k = 1;
    if (k < arguments.size() && arguments[k] == QLatin1String("-debug")) {
        result.debugMode = true;
        ++k;
    }
    for (; k < arguments.size(); ++k) {
        const QString &arg = arguments[k];
        if (arg == QLatin1String("--query")) {
            result.queryMode = true;
            result.queryArguments = arguments.mid(k + 1);
            break;
        }
        if (arg == QLatin1String("--master")) {
            result.masterMode = true;
            result.masterArguments = arguments.mid(k + 1);
            break;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.help = true;
        } else if (arg == QLatin1String("--version")) {
            result.version = true;
        } else if (arg == QLatin1String("--report")) {
            result.reportMode = true;
        } else if (arg == QLatin1String("--json")) {
            result.json = true;
        } else if (arg == QLatin1String("--profile") || arg == QLatin1String("--server")
                   || arg == QLatin1String("--lan-broadcast") || arg == QLatin1String("--history")) {
            if (k + 1 >= arguments.size()) {
                result.error = arg + QStringLiteral(" needs a value");
                return result;
            }
            const QString value = arguments[++k];
            if (arg == QLatin1String("--profile")) {
                result.profile = value;
                continue;
            }
            if (arg == QLatin1String("--lan-broadcast")) {
                result.lanBroadcast = value;
                continue;
            }
            const std::optional<ServerAddress> server = ServerAddress::parse(value, &result.error);
            if (!server)
                return result;
            if (arg == QLatin1String("--history")) {
                result.historyMode = true;
                result.historyServer = *server;
                continue;
            }
            result.servers.append(*server);
        } else {
            result.error = QStringLiteral("unknown argument ") + arg;
            return result;
        }
    }
    if (result.reportMode && (result.debugMode || !result.servers.isEmpty() || !result.lanBroadcast.isEmpty()))
        result.error = QStringLiteral("--report takes no other argument than --profile");
    if (result.historyMode
        && (result.debugMode || result.reportMode || result.queryMode || result.masterMode || !result.servers.isEmpty()
            || !result.lanBroadcast.isEmpty()))
        result.error = QStringLiteral("--history takes no other argument than --json and --profile");
    else if (result.json && !result.historyMode)
        result.error = QStringLiteral("unknown argument --json");
    return result;
}

QStringList CommandLine::arguments(int argc, char **argv)
{
    QStringList result;
    for (int k = 0; k < argc; ++k)
        result.append(QString::fromLocal8Bit(argv[k]));
    return result;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "usage: quorvelin [-debug] [--profile DIR] [--server ADDRESS:QUERYPORT ...] [--lan-broadcast ADDRESS]\n"
        "       quorvelin --query ADDRESS:QUERYPORT [...] [--json] [--timeout MS] [--retries N]\n"
        "                 [--in-flight N] [--sleep MS]\n"
        "       quorvelin --master HOST:PORT|URL [--json] [--query [query options]]\n"
        "       quorvelin --report [--profile DIR]\n"
        "       quorvelin --history ADDRESS:QUERYPORT [--json] [--profile DIR]\n"
        "       quorvelin --version | --help\n"
        "\n"
        "  -debug           show the debug page (first argument only)\n"
        "  --profile DIR    keep Quorvelin.ini and the other files in DIR\n"
        "  --server A:P     monitor this server (checked) from the start; repeatable\n"
        "  --lan-broadcast ADDRESS\n"
        "                   send the LAN search there instead of the local networks\n"
        "  --query A:P ...  query any number of servers once, print their records and exit\n"
        "                   (exit status 0: every reply complete, 2: some server silent or\n"
        "                   incomplete, 1: cannot run)\n"
        "  --json           one JSON object per server and line\n"
        "  --timeout MS     how long to wait for each request's reply (default 500)\n"
        "  --retries N      requests sent again to a silent or incomplete server (default 2)\n"
        "  --in-flight N    servers awaited at once (default 32)\n"
        "  --sleep MS       pause after each server's first request (default 0)\n"
        "  --master M       print the servers a master server (HOST:PORT) or web list (http://...)\n"
        "                   lists (exit status 0: list read, 2: no list, 1: bad argument);\n"
        "                   --json prints {\"Host\",\"QueryPort\"} objects; with --query every\n"
        "                   listed server is queried instead (exit status as for --query, 2 also\n"
        "                   when there is no list)\n"
        "  --report         query the profile's checked servers once, write their HTML pages\n"
        "                   from the [HTML] settings, run its command and exit (exit status\n"
        "                   0: all replied, 2: some did not, 1: bad argument or no template)\n"
        "  --history A:P    print the player counts and maps the profile's history holds of the\n"
        "                   server, oldest first: UTC time, players/maximum and map per line, or\n"
        "                   with --json one array of {\"time\",\"players\",\"maxPlayers\",\"map\"}\n"
        "                   objects (exit status 0: printed, 1: no history of the server, the\n"
        "                   history cannot be read or a bad argument)\n"
        "  --version        print the program's name, version, release number and source\n"
        "                   revision, and exit\n"
        "  --help, -h       print this text and exit\n");
}
