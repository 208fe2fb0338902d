#pragma once

#include "PacedWalk.h"
#include "platform/PlatformServices.h"

#include <QByteArray>
#include <QObject>

#include <initializer_list>

class DatagramSocket;
class DebugLog;
class ServerTable;

// Sends the queries of the main socket, routes each reply to its server by
// the sender's address and port, measures the ping and decodes the reply
// into the server's record. It decides nothing about views: it tells.
class QueryEngine final : public QObject
{
    Q_OBJECT
public:
    QueryEngine(ServerTable &table, DebugLog &log, DatagramSocket &socket, const PlatformServices &services,
                QObject *parent = nullptr);

    // Binds the main socket; false with the socket's error text on failure.
    bool bindMain(quint16 localPort, QString *error = nullptr);

    // Milliseconds every walk over servers waits after each server.
    quint32 sleepTime() const { return m_sleepTime; }
    void setSleepTime(quint32 milliseconds) { m_sleepTime = milliseconds; }

    // NotSent: nothing to send to (no address, or a name still being looked
    // up, or one that failed and is being looked up again). Failed: the send
    // failed, was told through sendFailed, and the caller must stop.
    enum class Sent { Yes, NotSent, Failed };
    Sent sendQuery(int slot, const QByteArray &query);
    // "\info\", "\players\", "\rules\" and "\teams\", in this order.
    Sent queryServer(int slot);
    // "\info\", "\players\" and "\teams\": the player scan's queries.
    // Like each step of a query walk, one round of the server's health:
    // rounds that get no reply at all make it stale.
    Sent scanServer(int slot);

    // A walk that sends the full query to each server it visits, pausing
    // after each one that was sent to; each step is a round as scanServer's.
    PacedWalk *createQueryWalk(QObject *parent);
    // How a walk goes on after a step that sent this.
    static PacedWalk::Step stepFor(Sent sent);

    // Replies that arrive from now on are dropped: the program is closing.
    void stopReceiving();

Q_SIGNALS:
    // A datagram was routed to the server of this slot and decoded into its record.
    void replyDecoded(int slot, const QByteArray &datagram);
    // A query could not be sent; the message is for the user.
    void sendFailed(const QString &message);

private:
    Sent sendQueries(int slot, std::initializer_list<QByteArray> queries);
    // Counts the round when the queries were sent.
    Sent asRound(int slot, Sent sent);
    void handleDatagram(const QByteArray &datagram, const QString &address, quint16 port);
    void logUnknownSender(const QString &address, quint16 port);
    // A datagram as the debug log shows it: long ones cut, with their length.
    static QString datagramLogText(const QByteArray &datagram);

    static constexpr qsizetype kLoggedDatagramBytes = 2048;
    static constexpr int kUnknownSenderLinesPerSecond = 10;

    ServerTable &m_table;
    DebugLog &m_log;
    DatagramSocket &m_socket;
    PlatformServices m_services;
    quint32 m_sleepTime = 20;
    quint32 m_unknownWindowStart = 0;
    int m_unknownInWindow = 0;
    int m_unknownSuppressed = 0;
};
