#include "VersionCheck.h"

#include "core/ProgramVersion.h"
#include "core/StrToIntOrZero.h"

namespace {

constexpr quint16 kDefaultPort = 80;
constexpr QLatin1String kErrorVersion("[error]");

struct HostEntry
{
    QString host;
    int port = 0;
};

HostEntry hostEntry(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    HostEntry result;
    result.host = (colon < 0 ? entry : entry.left(colon)).trimmed();
    result.port = colon < 0 ? kDefaultPort : strToIntOrZero(QStringView(entry).mid(colon + 1));
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
    connect(&m_transfer, &CappedTransfer::connected, this, [this] { m_transfer.write(VersionAnswer::request()); });
    // The answer is whole only when the host closes.
    connect(&m_transfer, &CappedTransfer::peerClosed, &m_transfer, &CappedTransfer::finish);
    connect(&m_transfer, &CappedTransfer::done, this, &VersionCheck::answerArrived);
    connect(&m_transfer, &CappedTransfer::failed, this, &VersionCheck::hostFailed);
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
    m_transfer.cancel();
    m_manual = false;
}

// Replaces the check under way without a word from it.
void VersionCheck::startCheck(bool manual)
{
    m_manual = manual;
    connectToHost();
}

// An unusable entry fails from the event loop, like an unreachable host.
void VersionCheck::connectToHost()
{
    const HostEntry entry = hostEntry(m_hosts.value(m_hostIndex));
    m_transfer.setLimits({m_limits.maxBytes, 0, m_limits.timeoutMs});
    m_transfer.connectToHost(entry.host, entry.port);
}

void VersionCheck::answerArrived()
{
    const VersionAnswer::Answer answer = VersionAnswer::parse(m_transfer.buffer());
    if (answer.complete)
        handleAnswer(answer);
    else
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
    const bool announce = latest > ProgramVersion::kCurrent && (manual || latest != m_lastVersionChecked);
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
