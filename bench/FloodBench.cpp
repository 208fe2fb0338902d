// The window while a listed server's address floods it with 10,000
// datagrams a second of a shape that is costly to decode: the longest
// stretch during which the event loop did not come round.
#include "StallMeter.h"
#include "config/ConfigFile.h"
#include "core/Poller.h"
#include "core/QueryStack.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ServerListView.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/SystemPlatform.h"
#include "platform/UdpDatagramSocket.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int kDatagramsPerSecond = 10000;

// Sends from 127.0.0.1:fromPort to 127.0.0.1:toPort on its own thread until
// stopped or the time is up, at a steady rate.
class Flood
{
public:
    Flood(quint16 fromPort, quint16 toPort, QByteArray datagram, std::chrono::milliseconds limit)
        : m_datagram(std::move(datagram))
    {
        m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_port = htons(fromPort);
        from.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr *>(&from), sizeof from);
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(toPort);
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_thread = std::thread([this, limit] { run(limit); });
    }
    ~Flood()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }
    int sent() const { return m_sent; }

private:
    void run(std::chrono::milliseconds limit)
    {
        const auto start = std::chrono::steady_clock::now();
        while (!m_stop && std::chrono::steady_clock::now() - start < limit) {
            const auto due = start + std::chrono::microseconds(1'000'000LL * m_sent / kDatagramsPerSecond);
            std::this_thread::sleep_until(due);
            ::sendto(m_socket, m_datagram.constData(), static_cast<size_t>(m_datagram.size()), 0,
                     reinterpret_cast<const sockaddr *>(&m_to), sizeof m_to);
            ++m_sent;
        }
    }

    QByteArray m_datagram;
    int m_socket = -1;
    sockaddr_in m_to{};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sent{0};
    std::thread m_thread;
};

void flood(benchmark::State &state)
{
    QTemporaryDir profile;
    ConsoleMessageBoxes messages;
    FakeFileDialogs files;
    SystemPlatform platform(messages);
    UdpDatagramSocket socket;
    QueryStack stack(socket, platform.services, state.range(0) != 0);
    stack.engine.bindMain(0);
    ConfigFile config(profile.filePath(QStringLiteral("Quorvelin.ini")), messages);
    MainWindow window({stack, messages, files, config, Settings{}, profile.path()});
    constexpr quint16 kFloodPort = 45999;
    stack.table.addServer(QStringLiteral("127.0.0.1"), kFloodPort, QStringLiteral("Flooder"));
    window.show();
    window.findChild<ServerListView *>(QStringLiteral("clb_Servers"))->setCurrentIndex(stack.table.index(0));
    QCoreApplication::processEvents();

    // 1 KB of player markers without a number, as a hostile server might send.
    QByteArray hostile;
    while (hostile.size() < 1000)
        hostile += "\\player_\\x";

    StallMeter meter;
    qint64 worst = 0;
    int received = 0;
    QObject::connect(&stack.engine, &QueryEngine::replyDecoded, &window, [&received] { ++received; });
    for (auto _ : state) {
        meter.start();
        {
            const Flood flood(kFloodPort, socket.localPort(), hostile, std::chrono::seconds(5));
            while (meter.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        state.SetIterationTime(static_cast<double>(meter.stop()) / 1000.0);
        worst = std::max(worst, meter.longestGap());
    }
    state.counters["longest_gap_ms"] = static_cast<double>(worst);
    state.counters["decoded"] = received;
    window.close();
}
BENCHMARK(flood)->Arg(0)->Arg(1)->ArgName("debug")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
