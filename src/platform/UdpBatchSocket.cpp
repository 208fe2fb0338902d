#include "UdpBatchSocket.h"

#ifdef Q_OS_LINUX
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#else
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#endif

#include <algorithm>

namespace {

#ifdef Q_OS_LINUX
// Datagrams moved per system call.
constexpr int kBatch = 32;
constexpr int kPassesPerRead = 64;
// A larger receive buffer keeps a burst of replies from overflowing it while
// the program is busy; the system may grant less.
constexpr int kReceiveBuffer = 4 * 1024 * 1024;
#endif

} // namespace

UdpBatchSocket::UdpBatchSocket(QObject *parent)
    : QObject(parent)
{
}

#ifdef Q_OS_LINUX

UdpBatchSocket::~UdpBatchSocket()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool UdpBatchSocket::open(QString *error)
{
    m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    const int size = kReceiveBuffer;
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(m_fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdpBatchSocket::readyRead);
    return true;
}

void UdpBatchSocket::flush()
{
    size_t sent = 0;
    while (sent < m_queue.size()) {
        const size_t n = std::min<size_t>(kBatch, m_queue.size() - sent);
        sockaddr_in to[kBatch];
        iovec iov[kBatch];
        mmsghdr messages[kBatch];
        std::memset(messages, 0, sizeof messages);
        for (size_t i = 0; i < n; ++i) {
            Outgoing &d = m_queue[sent + i];
            to[i] = sockaddr_in{};
            to[i].sin_family = AF_INET;
            to[i].sin_addr.s_addr = htonl(d.ipv4);
            to[i].sin_port = htons(d.port);
            iov[i].iov_base = d.data.data();
            iov[i].iov_len = size_t(d.data.size());
            messages[i].msg_hdr.msg_name = &to[i];
            messages[i].msg_hdr.msg_namelen = sizeof to[i];
            messages[i].msg_hdr.msg_iov = &iov[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int done = ::sendmmsg(m_fd, messages, unsigned(n), 0);
        if (done < 0 && errno == EINTR)
            continue;
        // A datagram the system refuses (a full buffer, an unreachable
        // address) is skipped like one lost on the way.
        sent += done > 0 ? size_t(done) : 1;
    }
    m_queue.clear();
}

void UdpBatchSocket::readAll(const Visit &visit)
{
    if (!m_buffers)
        // Left unwritten: only the pages that datagrams fill are ever touched.
        m_buffers = std::make_unique_for_overwrite<char[]>(size_t(kBatch) * kMaxDatagram);
    // A bounded pass: under a flood the notifier calls again, so timers and
    // the other socket still get their turn.
    for (int pass = 0; pass < kPassesPerRead; ++pass) {
        sockaddr_in from[kBatch];
        iovec iov[kBatch];
        mmsghdr messages[kBatch];
        std::memset(messages, 0, sizeof messages);
        for (int i = 0; i < kBatch; ++i) {
            iov[i].iov_base = m_buffers.get() + size_t(i) * kMaxDatagram;
            iov[i].iov_len = kMaxDatagram;
            messages[i].msg_hdr.msg_name = &from[i];
            messages[i].msg_hdr.msg_namelen = sizeof from[i];
            messages[i].msg_hdr.msg_iov = &iov[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int n = ::recvmmsg(m_fd, messages, kBatch, MSG_DONTWAIT, nullptr);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (int i = 0; i < n; ++i) {
            const msghdr &h = messages[i].msg_hdr;
            if ((h.msg_flags & MSG_TRUNC) || h.msg_namelen < sizeof(sockaddr_in) || from[i].sin_family != AF_INET)
                continue;
            visit(static_cast<const char *>(iov[i].iov_base), int(messages[i].msg_len), ntohl(from[i].sin_addr.s_addr),
                  ntohs(from[i].sin_port));
        }
        if (n < kBatch)
            return;
    }
}

#else

UdpBatchSocket::~UdpBatchSocket() = default;

bool UdpBatchSocket::open(QString *error)
{
    m_socket = new QUdpSocket(this);
    if (!m_socket->bind(QHostAddress::AnyIPv4, 0)) {
        *error = m_socket->errorString();
        return false;
    }
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpBatchSocket::readyRead);
    return true;
}

void UdpBatchSocket::flush()
{
    for (const Outgoing &d : m_queue)
        m_socket->writeDatagram(d.data, QHostAddress(d.ipv4), d.port);
    m_queue.clear();
}

void UdpBatchSocket::readAll(const Visit &visit)
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket->receiveDatagram(kMaxDatagram);
        bool ipv4 = false;
        const quint32 address = d.senderAddress().toIPv4Address(&ipv4);
        if (d.isValid() && ipv4)
            visit(d.data().constData(), int(d.data().size()), address, quint16(d.senderPort()));
    }
}

#endif

void UdpBatchSocket::queue(const QByteArray &datagram, quint32 ipv4, quint16 port)
{
    m_queue.push_back({datagram, ipv4, port});
}

#include "moc_UdpBatchSocket.cpp"
