#pragma once

// What the simulators' programs share: the application and its command line,
// number and choice options, the listener lines, request logs and the end on
// SIGINT or SIGTERM through the event loop.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <functional>

class SimulatedTcpService;

namespace ToolMain {

// A message on stderr behind the program's name.
void complain(const QString &message);

// The first 200 bytes of what a client sent, for a log line: printable
// ASCII as it is, other bytes as \xNN.
QString printable(const QByteArray &bytes);

// Reads a whole number option in [low, high]; says what is wrong on stderr otherwise.
bool readNumber(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high, qint64 &out);

// Adds a flag, or with valueName an option with a value and its default.
void addOption(QCommandLineParser &parser, const char *name, const char *description, const char *valueName = nullptr,
               const char *defaultValue = nullptr);

// Adds an option that names one of names, the first its default; its
// description is lead followed by "a, b or c (default a).".
void addChoiceOption(QCommandLineParser &parser, const char *name, const QStringList &names, const char *lead = "",
                     const char *valueName = "HOW");

// Reads an option that names one of names, which are an enum's values in
// order; says which names are allowed otherwise.
bool readChoiceIndex(const QCommandLineParser &parser, const QString &option, const QStringList &names, int &out);

template<typename Enum>
bool readChoice(const QCommandLineParser &parser, const QString &option, const QStringList &names, Enum &out)
{
    int index = 0;
    if (!readChoiceIndex(parser, option, names, index))
        return false;
    out = static_cast<Enum>(index);
    return true;
}

// Options only; says which argument is one too many otherwise.
bool rejectArguments(const QCommandLineParser &parser);

// A simulator program: --help, --port where it has one, --run-for and
// --quiet, its lines on stdout and stderr, and its run.
class Program final
{
public:
    // name: the application's; description: the first line of --help.
    Program(int &argc, char **argv, const char *name, const char *description);

    QCommandLineParser &parser() { return m_parser; }
    const QCommandLineParser &parser() const { return m_parser; }

    void addPortOption(const char *description, const char *defaultPort);
    // --run-for here rather than after the other options.
    void addRunForOption();
    // Adds --run-for unless added and --quiet after the other options, and
    // reads the command line: --help ends the program, and a bad --port or
    // --run-for gives false after saying what is wrong.
    bool process(const char *quietDescription);
    qint64 port() const { return m_port; }
    bool isQuiet() const { return m_quiet; }

    // Listens on 127.0.0.1:port, or says why not.
    bool listen(SimulatedTcpService &service, qint64 port) const;
    // A line on stdout, flushed at once, so that a program that started the
    // simulator can read its ports while it runs.
    void announce(const QString &line) const;
    // A line on stderr, unless quiet.
    void log(const QString &line) const;

    // Runs the event loop until SIGINT or SIGTERM, or for --run-for
    // milliseconds when that is above 0; then, unless quiet, says
    // "<name>: <summary>" on stderr. The loop's exit code.
    int exec(const std::function<QString()> &summary);

private:
    QCoreApplication m_app;
    QCommandLineParser m_parser;
    bool m_hasPort = false;
    bool m_hasRunFor = false;
    qint64 m_port = 0;
    qint64 m_runFor = 0;
    bool m_quiet = false;
};

// What tells one simulator of a single service from another.
struct ServiceProgram
{
    const char *name;            // the application's
    const char *description;     // the first line of --help
    const char *portDescription; // of --port
    const char *defaultPort;
    const char *label; // the listener line's first word
};

// The main() of a simulator of one service on --port. addOptions adds the
// options behind --port; setUp sets the service up from the command line, or
// says what is wrong with it; shown picks the bytes of a request that a log
// line shows. Prints the listener line, then unless quiet a line per request
// and the number of requests at the end.
template<typename Service, typename Shown>
int runService(int &argc, char **argv, const ServiceProgram &about, void (*addOptions)(QCommandLineParser &),
               bool (*setUp)(const QCommandLineParser &, Service &), Shown shown)
{
    Program program(argc, argv, about.name, about.description);
    program.addPortOption(about.portDescription, about.defaultPort);
    addOptions(program.parser());
    Service service;
    if (!program.process("Print only the listener line.") || !setUp(program.parser(), service)
        || !program.listen(service, program.port()))
        return 1;
    program.announce(QLatin1String(about.label) + QLatin1Char(' ') + service.address());
    QObject::connect(&service, &Service::requestReceived, &service, [&program, shown](const auto &request) {
        program.log(QStringLiteral("request: ") + printable(shown(request)));
    });
    return program.exec([&service] { return QStringLiteral("%1 requests").arg(service.requests().size()); });
}

} // namespace ToolMain
