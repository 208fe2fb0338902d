#include "VersionCheck.h"

#include "core/StrToIntOrZero.h"

#include <QTcpSocket>

namespace {

constexpr quint16 kDefaultPort = 80;
constexpr QLatin1String kErrorVersion("[error]");

struct HostEntry
{
    QString host;
    int port = 0; // 0 when the entry is unusable
};

HostEntry hostEntry(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    HostEntry result;
    result.host = (colon < 0 ? entry : entry.left(colon)).trimmed();
    result.port = colon < 0 ? kDefaultPort : strToIntOrZero(QStringView(entry).mid(colon + 1));
    if (result.host.isEmpty() || result.port < 1 || result.port > 65535)
        result.port = 0;
    return result;
}

} // namespace

VersionCheck::VersionCheck(const QStringList &hosts, int lastVersionChecked, QObject *parent)
    : QObject(parent)
    , m_hosts(hosts)
    , m_lastVersionChecked(lastVersionChecked)
{
    m_startUp.setSingleShot(true);
    connect(&m_startUp, &QTimer::timeout, this, [this] { startCheck(false); });
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &VersionCheck::hostFailed);
}

VersionCheck::~VersionCheck()
{
    stop();
}

void VersionCheck::armStartUpCheck(bool enabled, int delayMs)
{
    if (enabled)
        m_startUp.start(delayMs);
    else
        m_startUp.stop();
}

void VersionCheck::checkNow()
{
    m_startUp.stop();
    startCheck(true);
}

void VersionCheck::stop()
{
    m_startUp.stop();
    closeConnection();
    m_manual = false;
}

void VersionCheck::startCheck(bool manual)
{
    closeConnection();
    m_manual = manual;
    connectToHost();
}

void VersionCheck::connectToHost()
{
    m_running = true;
    m_buffer.clear();
    const HostEntry entry = hostEntry(m_hosts.value(m_hostIndex));
    if (entry.port == 0) {
        // An unusable entry fails on the next turn of the event loop, like an unreachable host.
        m_timeout.start(0);
        return;
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &VersionCheck::socketConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &VersionCheck::socketReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &VersionCheck::socketDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &VersionCheck::socketError);
    m_timeout.start(m_limits.timeoutMs);
    m_socket->connectToHost(entry.host, static_cast<quint16>(entry.port));
}

void VersionCheck::socketConnected()
{
    m_socket->write(VersionAnswer::request());
}

void VersionCheck::socketReadyRead()
{
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_limits.maxBytes)
        hostFailed();
}

// The answer is whole only when the host closes.
void VersionCheck::socketDisconnected()
{
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > m_limits.maxBytes) {
        hostFailed();
        return;
    }
    const VersionAnswer::Answer answer = VersionAnswer::parse(m_buffer);
    closeConnection();
    if (answer.complete)
        handleAnswer(answer);
    else
        hostFailed();
}

void VersionCheck::socketError()
{
    // A close by the host is judged by what it sent before.
    if (m_socket->error() == QAbstractSocket::RemoteHostClosedError)
        return;
    hostFailed();
}

void VersionCheck::handleAnswer(const VersionAnswer::Answer &answer)
{
    if (!answer.hasVersion || answer.version.isEmpty() || answer.version == kErrorVersion) {
        hostFailed();
        return;
    }
    const int latest = VersionAnswer::versionNumber(answer.version);
    const bool manual = m_manual;
    const bool announce = latest > VersionAnswer::CurrentVersion && (manual || latest != m_lastVersionChecked);
    m_lastVersionChecked = latest;
    m_manual = false;
    if (announce)
        Q_EMIT newerVersion(answer.version, answer.address);
    else if (manual)
        Q_EMIT latestRunning(answer.version);
}

// The first host's failure hands the same check to the second; the
// second's ends it, and the next check starts with the first again.
void VersionCheck::hostFailed()
{
    closeConnection();
    if (m_hostIndex == 0) {
        m_hostIndex = 1;
        connectToHost();
        return;
    }
    m_hostIndex = 0;
    const bool manual = m_manual;
    m_manual = false;
    if (manual)
        Q_EMIT unavailable();
}

void VersionCheck::closeConnection()
{
    m_timeout.stop();
    m_running = false;
    m_buffer.clear();
    if (m_socket) {
        QTcpSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}
