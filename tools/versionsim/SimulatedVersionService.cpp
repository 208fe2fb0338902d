#include "SimulatedVersionService.h"

#include "SimulatedHttp.h"

#include <QTcpSocket>

namespace {

constexpr QByteArrayView kMarker = "<!-- KORVANDEL VERSION DATABASE";

QByteArray markerLine(SimulatedVersionService::Mode mode)
{
    using Mode = SimulatedVersionService::Mode;
    if (mode == Mode::PaddedMarker)
        return "  \t" + kMarker.toByteArray() + " \t";
    if (mode == Mode::NoMarker)
        return kMarker.toByteArray().toLower();
    return kMarker.toByteArray();
}

} // namespace

SimulatedVersionService::SimulatedVersionService(const Config &config, QObject *parent)
    : SimulatedTcpService(parent)
    , m_config(config)
{
}

bool SimulatedVersionService::listen(quint16 port)
{
    if (isListening())
        return true;
    if (!SimulatedTcpService::listen(port))
        return false;
    if (m_config.mode == Mode::Refuse)
        stopListening();
    return true;
}

QByteArray SimulatedVersionService::answer() const
{
    const QByteArray version = m_config.mode == Mode::Error ? QByteArray("[error]") : m_config.version;
    if (m_config.mode == Mode::TwoLines)
        return m_config.address + "\r\n" + version;
    return SimulatedHttp::head("200 OK", "text/html")
           + "<html><head><title>Quorvelin</title></head><body>Latest release</body></html>\r\n"
           + markerLine(m_config.mode) + "\r\n" + m_config.address + "\r\n" + version;
}

// A client that never ends its request is cut off once it has sent too much.
void SimulatedVersionService::serve(QTcpSocket *socket)
{
    SimulatedHttp::readRequest(socket, this, [this, socket](const QByteArray &request) { respond(socket, request); });
}

void SimulatedVersionService::respond(QTcpSocket *socket, const QByteArray &request)
{
    m_requests.append(request);
    Q_EMIT requestReceived(m_requests.constLast());
    if (m_config.mode == Mode::Silent)
        return;
    if (m_config.mode == Mode::NeverClose)
        socket->write(answer());
    else
        SimulatedHttp::answerAndClose(socket, answer());
}
