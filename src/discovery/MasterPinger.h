#pragma once

#include <QObject>

#include <memory>

class DatagramSocket;
class MasterRows;
class PacedWalk;
class TickClock;

// Sends "\info\" to the rows of the master server dialog, one row each
// pause, and fills the rows from the replies that come back to its socket.
class MasterPinger final : public QObject
{
    Q_OBJECT
public:
    MasterPinger(MasterRows &rows, const TickClock &clock, QObject *parent = nullptr);
    ~MasterPinger() override;

    // The socket the queries go out from and the replies come back to; none
    // while the dialog is closed.
    void setSocket(DatagramSocket *socket);

    // Queries every row, pausing pauseMs after each.
    void pingAll(quint32 pauseMs);
    // Rows without a name: parses a stored reply again, or queries anew.
    void repingTimeouts(quint32 pauseMs);
    void pingRow(int position);
    // Stops the walk after the current row; no finished follows.
    void cancel();
    bool isRunning() const;

Q_SIGNALS:
    // Row n (from 1) is being handled.
    void progress(int n);
    void finished();

private:
    void readReply(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);

    MasterRows &m_rows;
    const TickClock &m_clock;
    DatagramSocket *m_socket = nullptr;
    PacedWalk *m_pingAll;
    PacedWalk *m_reping;
};
