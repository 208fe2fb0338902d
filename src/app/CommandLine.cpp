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
        } else if (arg == QLatin1String("--report")) {
            result.reportMode = true;
        } else if (arg == QLatin1String("--profile") || arg == QLatin1String("--server")
                   || arg == QLatin1String("--lan-broadcast")) {
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
            result.servers.append(*server);
        } else {
            result.error = QStringLiteral("unknown argument ") + arg;
            return result;
        }
    }
    if (result.reportMode && (result.debugMode || !result.servers.isEmpty() || !result.lanBroadcast.isEmpty()))
        result.error = QStringLiteral("--report takes no other argument than --profile");
    return result;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "usage: quorvelin [-debug] [--profile DIR] [--server ADDRESS:QUERYPORT ...] [--lan-broadcast ADDRESS]\n"
        "       quorvelin [--profile DIR] --query ADDRESS:QUERYPORT [...] [--json] [--timeout MS] [--sleep MS]\n"
        "       quorvelin --master HOST:PORT|URL [--json]\n"
        "       quorvelin --report [--profile DIR]\n"
        "\n"
        "  -debug           show the debug page (first argument only)\n"
        "  --profile DIR    keep Quorvelin.ini and the other files in DIR\n"
        "  --server A:P     monitor this server (checked) from the start; repeatable\n"
        "  --lan-broadcast ADDRESS\n"
        "                   send the LAN search there instead of the local networks\n"
        "  --query A:P ...  query the servers once, print their records and exit\n"
        "                   (exit status 0: all replied, 2: some did not, 1: cannot run)\n"
        "  --json           one JSON object per server and line\n"
        "  --timeout MS     how long to wait for replies after the last query (default 1000)\n"
        "  --sleep MS       pause after each server's queries (default: SleepTime of the profile)\n"
        "  --master M       print the servers a master server (HOST:PORT) or web list (http://...)\n"
        "                   lists, without querying them (exit status 0: list read, 2: no list,\n"
        "                   1: bad argument); --json prints {\"Host\",\"QueryPort\"} objects\n"
        "  --report         query the profile's checked servers once, write their HTML pages\n"
        "                   from the [HTML] settings, run its command and exit (exit status\n"
        "                   0: all replied, 2: some did not, 1: bad argument or no template)\n");
}
