#include "ToolMain.h"

#include "SimulatedTcpService.h"

#include <QTextStream>
#include <QTimer>

#include <csignal>

namespace {

constexpr int kStopPollMs = 50;

volatile std::sig_atomic_t stopRequested = 0;

// Signal handlers may only set a flag; the event loop picks it up through stopPoll.
void quitOnStopSignals(QTimer &stopPoll)
{
    const auto requestStop = [](int) { stopRequested = 1; };
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QObject::connect(&stopPoll, &QTimer::timeout, QCoreApplication::instance(), [] {
        if (stopRequested)
            QCoreApplication::quit();
    });
    stopPoll.start(kStopPollMs);
}

} // namespace

namespace ToolMain {

void complain(const QString &message)
{
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
}

QString printable(const QByteArray &bytes)
{
    QByteArray shown;
    for (const char c : bytes.left(200)) {
        if (c >= ' ' && c < 127)
            shown += c;
        else
            shown += "\\x" + QByteArray::number(static_cast<uchar>(c), 16).rightJustified(2, '0');
    }
    return QString::fromLatin1(shown);
}

bool readNumber(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high, qint64 &out)
{
    bool ok = false;
    out = parser.value(option).toLongLong(&ok);
    if (ok && out >= low && out <= high)
        return true;
    complain(QStringLiteral("--%1 must be a number from %2 to %3").arg(option).arg(low).arg(high));
    return false;
}

void addOption(QCommandLineParser &parser, const char *name, const char *description, const char *valueName,
               const char *defaultValue)
{
    parser.addOption(valueName ? QCommandLineOption(QLatin1String(name), QLatin1String(description),
                                                    QLatin1String(valueName), QLatin1String(defaultValue))
                               : QCommandLineOption(QLatin1String(name), QLatin1String(description)));
}

void addChoiceOption(QCommandLineParser &parser, const char *name, const QStringList &names, const char *lead,
                     const char *valueName)
{
    const QString choices = names.size() < 2 ? names.join(QString())
                                             : names.mid(0, names.size() - 1).join(QStringLiteral(", "))
                                                   + QStringLiteral(" or ") + names.constLast();
    const QString description =
        QStringLiteral("%1%2 (default %3).").arg(QLatin1String(lead), choices, names.constFirst());
    parser.addOption(
        QCommandLineOption(QLatin1String(name), description, QLatin1String(valueName), names.constFirst()));
}

bool readChoiceIndex(const QCommandLineParser &parser, const QString &option, const QStringList &names, int &out)
{
    out = int(names.indexOf(parser.value(option)));
    if (out >= 0)
        return true;
    complain(QStringLiteral("--%1 must be one of %2").arg(option, names.join(QStringLiteral(", "))));
    return false;
}

bool rejectArguments(const QCommandLineParser &parser)
{
    if (parser.positionalArguments().isEmpty())
        return true;
    complain(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().constFirst()));
    return false;
}

Program::Program(int &argc, char **argv, const char *name, const char *description)
    : m_app(argc, argv)
{
    QCoreApplication::setApplicationName(QLatin1String(name));
    m_parser.setApplicationDescription(QLatin1String(description));
    m_parser.addHelpOption();
}

void Program::addPortOption(const char *description, const char *defaultPort)
{
    addOption(m_parser, "port", description, "P", defaultPort);
    m_hasPort = true;
}

void Program::addRunForOption()
{
    addOption(m_parser, "run-for", "Exit after MS milliseconds (0 = until SIGINT/SIGTERM).", "MS", "0");
    m_hasRunFor = true;
}

bool Program::process(const char *quietDescription)
{
    if (!m_hasRunFor)
        addRunForOption();
    addOption(m_parser, "quiet", quietDescription);
    m_parser.process(m_app);
    m_quiet = m_parser.isSet(QStringLiteral("quiet"));
    return (!m_hasPort || readNumber(m_parser, QStringLiteral("port"), 0, 65535, m_port))
           && readNumber(m_parser, QStringLiteral("run-for"), 0, 0x7fffffffLL, m_runFor);
}

bool Program::listen(SimulatedTcpService &service, qint64 port) const
{
    if (service.listen(quint16(port)))
        return true;
    complain(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port));
    return false;
}

void Program::announce(const QString &line) const
{
    QTextStream(stdout) << line << Qt::endl;
}

void Program::log(const QString &line) const
{
    if (!m_quiet)
        QTextStream(stderr) << line << Qt::endl;
}

int Program::exec(const std::function<QString()> &summary)
{
    QTimer stopPoll;
    quitOnStopSignals(stopPoll);
    if (m_runFor > 0)
        QTimer::singleShot(int(m_runFor), &m_app, &QCoreApplication::quit);
    const int rc = QCoreApplication::exec();
    log(QCoreApplication::applicationName() + QStringLiteral(": ") + summary());
    return rc;
}

} // namespace ToolMain
