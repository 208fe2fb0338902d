#pragma once

#include "PacedWalk.h"
#include "platform/PlatformServices.h"

#include <QByteArray>
#include <QObject>

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

    // Both return false when a send failed and the caller must stop; the
    // failure has then been told through sendFailed.
    bool sendQuery(int slot, const QByteArray &query);
    // "\info\", "\players\", "\rules\" and "\teams\", in this order.
    bool queryServer(int slot);

    // A walk that sends the full query to each server it visits.
    PacedWalk *createQueryWalk(QObject *parent);

    // Replies that arrive from now on are dropped: the program is closing.
    void stopReceiving();

Q_SIGNALS:
    // A datagram was routed to the server of this slot and decoded into its record.
    void replyDecoded(int slot, const QByteArray &datagram);
    // A query could not be sent; the message is for the user.
    void sendFailed(const QString &message);

private:
    void handleDatagram(const QByteArray &datagram, const QString &address, quint16 port);

    ServerTable &m_table;
    DebugLog &m_log;
    DatagramSocket &m_socket;
    PlatformServices m_services;
    quint32 m_sleepTime = 20;
};
