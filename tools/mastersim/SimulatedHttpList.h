#pragma once

#include "ListedServer.h"
#include "SimulatedTcpService.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// A plain-text server list over HTTP on 127.0.0.1, the way list sites publish
// them: any GET is answered with one "a.b.c.d:gameport" line per server
// (game port = query port - 1), then the connection closes.
class SimulatedHttpList final : public SimulatedTcpService
{
    Q_OBJECT

public:
    enum class Misbehaviour {
        None,
        NotFound,  // 404 with a short body
        Huge,      // about 10 MB of valid lines
        NeverEnds, // no Content-Length, lines for ever
        Stall,     // the headers, then nothing
    };

    static constexpr qsizetype kHugeSize = 10 * 1024 * 1024;

    explicit SimulatedHttpList(const QList<ListedServer> &servers = {}, QObject *parent = nullptr);

    QString url() const; // http://127.0.0.1:<port>/servers.txt

    const QList<ListedServer> &servers() const { return m_servers; }
    void setServers(const QList<ListedServer> &servers);
    // Above the servers' count, distinct syntheticServer() lines fill the list to this length.
    void setListLength(int length);
    Misbehaviour misbehaviour() const { return m_misbehaviour; }
    void setMisbehaviour(Misbehaviour misbehaviour) { m_misbehaviour = misbehaviour; }

    const QStringList &requestPaths() const { return m_requestPaths; } // of every GET answered
    void clearRecords() { m_requestPaths.clear(); }

    static QByteArray listBody(const QList<ListedServer> &servers, int listLength = 0);

Q_SIGNALS:
    void requestServed(const QString &path);

private:
    void serve(QTcpSocket *socket) override;
    void respond(QTcpSocket *socket, const QByteArray &request);
    void sendEndless(QTcpSocket *socket);
    const QByteArray &body();
    const QByteArray &hugeBody();

    QList<ListedServer> m_servers;
    int m_listLength = 0;
    QByteArray m_body; // built on first use
    Misbehaviour m_misbehaviour = Misbehaviour::None;
    QStringList m_requestPaths;
    QByteArray m_hugeBody; // built on first use
};
