#include "SimulatedMaster.h"

#include "MasterSession.h"

#include <QTcpSocket>

SimulatedMaster::SimulatedMaster(const SimulatedMasterConfig &config, QObject *parent)
    : SimulatedTcpService(parent)
    , m_config(config)
{
}

SimulatedMaster::~SimulatedMaster()
{
    blockSignals(true);
    close();
}

// A session's abort() records what its client had sent before the connection goes.
void SimulatedMaster::close()
{
    SimulatedTcpService::close();
    const QList<MasterSession *> sessions = findChildren<MasterSession *>(Qt::FindDirectChildrenOnly);
    for (MasterSession *session : sessions)
        session->abort();
}

void SimulatedMaster::setConfig(const SimulatedMasterConfig &config)
{
    m_config = config;
}

void SimulatedMaster::clearRecords()
{
    m_requests.clear();
    m_lastListRequest.clear();
    m_connectionCount = 0;
    m_refusedCount = 0;
    m_answeredCount = 0;
}

int SimulatedMaster::openConnectionCount() const
{
    int open = 0;
    const QList<MasterSession *> sessions = findChildren<MasterSession *>(Qt::FindDirectChildrenOnly);
    for (const MasterSession *session : sessions)
        open += session->isFinished() ? 0 : 1;
    return open;
}

void SimulatedMaster::serve(QTcpSocket *socket)
{
    ++m_connectionCount;
    auto *session = new MasterSession(socket, m_config, this);
    connect(session, &MasterSession::requestReceived, this, &SimulatedMaster::record);
    connect(session, &MasterSession::refused, this, [this] { ++m_refusedCount; });
    connect(session, &MasterSession::answered, this, [this] { ++m_answeredCount; });
    connect(session, &MasterSession::finished, this, &SimulatedMaster::connectionFinished);
    session->start();
}

void SimulatedMaster::record(const QByteArray &request)
{
    m_requests.append(request);
    if (request.contains("\\list\\"))
        m_lastListRequest = request;
    Q_EMIT requestReceived(request);
}
