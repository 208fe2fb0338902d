#include "MasterPinger.h"

#include "MasterRows.h"
#include "core/DottedAddress.h"
#include "core/PacedWalk.h"
#include "core/StrToIntOrZero.h"
#include "platform/DatagramSocket.h"
#include "platform/TickClock.h"

MasterPinger::MasterPinger(MasterRows &rows, const TickClock &clock, QObject *parent)
    : QObject(parent)
    , m_rows(rows)
    , m_clock(clock)
{
    const auto locate = [this](quint64 id) { return m_rows.positionOfId(id); };
    const auto allRows = [this] { return m_rows.rowIds(); };
    m_pingAll = new PacedWalk(
        locate, allRows,
        [this](int position) {
            Q_EMIT progress(position + 1);
            pingRow(position);
            return PacedWalk::Step::Paused;
        },
        this);
    m_reping = new PacedWalk(
        locate, allRows,
        [this](int position) {
            if (!m_rows.row(position).name.isEmpty())
                return PacedWalk::Step::Skipped;
            if (!m_rows.row(position).data.isEmpty())
                m_rows.reparseStoredReply(position);
            else
                pingRow(position);
            Q_EMIT progress(position + 1);
            return PacedWalk::Step::Paused;
        },
        this);
    connect(m_pingAll, &PacedWalk::finished, this, &MasterPinger::finished);
    connect(m_reping, &PacedWalk::finished, this, &MasterPinger::finished);
}

MasterPinger::~MasterPinger() = default;

void MasterPinger::setSocket(DatagramSocket *socket)
{
    if (m_socket)
        m_socket->disconnect(this);
    m_socket = socket;
    if (m_socket)
        connect(m_socket, &DatagramSocket::datagramReceived, this, &MasterPinger::readReply);
}

void MasterPinger::pingAll(quint32 pauseMs)
{
    cancel();
    m_pingAll->startOverList(pauseMs);
}

void MasterPinger::repingTimeouts(quint32 pauseMs)
{
    cancel();
    m_reping->startOverList(pauseMs);
}

void MasterPinger::cancel()
{
    m_pingAll->cancel();
    m_reping->cancel();
}

bool MasterPinger::isRunning() const
{
    return m_pingAll->isRunning() || m_reping->isRunning();
}

void MasterPinger::pingRow(int position)
{
    m_rows.markQueried(position, m_clock.tickCount());
    const MasterRows::Row &row = m_rows.row(position);
    const DottedAddress address = DottedAddress::parse(row.address);
    const qint32 port = strToIntOrZero(row.port);
    // A row naming a host instead of an address, or a port out of range, gets no query.
    if (m_socket && address.ok && port > 0 && port <= 65535)
        m_socket->send(QByteArrayLiteral("\\info\\"), address.ipv4, static_cast<quint16>(port));
}

void MasterPinger::readReply(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort)
{
    const int position = m_rows.positionOfSender(senderAddress, senderPort);
    if (position >= 0)
        m_rows.applyReply(position, datagram, m_clock.tickCount());
}
