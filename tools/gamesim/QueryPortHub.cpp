#include "QueryPortHub.h"

#include "SimulatedServer.h"

#ifdef Q_OS_LINUX
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <array>

struct QueryPortHub::Port
{
    int fd = -1;
    int replyFd = -1; // the same as fd unless replies leave from another port
    SimulatedServer *server = nullptr;

    ~Port()
    {
#ifdef Q_OS_LINUX
        if (replyFd >= 0 && replyFd != fd)
            ::close(replyFd);
        if (fd >= 0)
            ::close(fd);
#endif
    }
};

#ifdef Q_OS_LINUX

namespace {

constexpr int kEventsPerWake = 256;
// Datagrams taken from one port per wake-up, so one busy port cannot starve the others;
// the set is level-triggered and reports what is left next time.
constexpr int kDatagramsPerPort = 16;
constexpr int kLargestDatagram = 65536;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A non-blocking UDP socket on 127.0.0.1:port; -1 with the reason in error.
int boundSocket(quint16 port, QString &error)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = systemError();
        return -1;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
        error = QStringLiteral("127.0.0.1:%1: %2").arg(port).arg(systemError());
        ::close(fd);
        return -1;
    }
    return fd;
}

quint16 localPort(int fd)
{
    sockaddr_in local{};
    socklen_t size = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &size) != 0)
        return 0;
    return ntohs(local.sin_port);
}

} // namespace

QueryPortHub::QueryPortHub(QObject *parent)
    : QObject(parent)
    , m_epoll(::epoll_create1(EPOLL_CLOEXEC))
    , m_buffer(kLargestDatagram, Qt::Uninitialized)
{
    if (m_epoll < 0)
        return;
    m_notifier = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QueryPortHub::readReady);
}

QueryPortHub::~QueryPortHub()
{
    delete m_notifier;
    m_ports.clear();
    if (m_epoll >= 0)
        ::close(m_epoll);
}

bool QueryPortHub::isAvailable() const
{
    return m_epoll >= 0;
}

std::optional<QueryPortHub::Binding> QueryPortHub::bind(SimulatedServer *server, quint16 port, bool otherReplyPort)
{
    if (m_epoll < 0 || m_ports.count(server) != 0)
        return std::nullopt;
    auto entry = std::make_unique<Port>();
    entry->server = server;
    entry->fd = boundSocket(port, m_error);
    if (entry->fd < 0)
        return std::nullopt;
    entry->replyFd = otherReplyPort ? boundSocket(0, m_error) : entry->fd;
    if (entry->replyFd < 0)
        return std::nullopt;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.ptr = entry.get();
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, entry->fd, &event) != 0) {
        m_error = systemError();
        return std::nullopt;
    }
    const Binding binding{localPort(entry->fd), localPort(entry->replyFd)};
    m_ports.emplace(server, std::move(entry));
    return binding;
}

void QueryPortHub::release(SimulatedServer *server)
{
    const auto found = m_ports.find(server);
    if (found == m_ports.end())
        return;
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, found->second->fd, nullptr);
    m_ports.erase(found);
}

void QueryPortHub::readReady()
{
    std::array<epoll_event, kEventsPerWake> events;
    const int ready = ::epoll_wait(m_epoll, events.data(), kEventsPerWake, 0);
    for (int i = 0; i < ready; ++i)
        serve(*static_cast<Port *>(events[std::size_t(i)].data.ptr));
}

void QueryPortHub::serve(Port &port)
{
    for (int n = 0; n < kDatagramsPerPort; ++n) {
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t size = ::recvfrom(port.fd, m_buffer.data(), std::size_t(m_buffer.size()), 0,
                                        reinterpret_cast<sockaddr *>(&sender), &senderSize);
        if (size < 0)
            return; // drained (EAGAIN): the set reports the port again when more comes
        for (const QByteArray &packet : port.server->answer(m_buffer.first(size)))
            ::sendto(port.replyFd, packet.constData(), std::size_t(packet.size()), 0,
                     reinterpret_cast<const sockaddr *>(&sender), senderSize);
    }
}

#else

QueryPortHub::QueryPortHub(QObject *parent)
    : QObject(parent)
{
}

QueryPortHub::~QueryPortHub() = default;

bool QueryPortHub::isAvailable() const
{
    return false;
}

std::optional<QueryPortHub::Binding> QueryPortHub::bind(SimulatedServer *, quint16, bool)
{
    return std::nullopt;
}

void QueryPortHub::release(SimulatedServer *) {}

void QueryPortHub::readReady() {}

void QueryPortHub::serve(Port &) {}

#endif
