#pragma once

#include "MasterList.h"
#include "core/CappedTransfer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;

// Fetches a server list from a master server (TCP, the backslash exchange)
// or from a web list (an entry beginning with "http://"), or the game types
// a master knows. Everything runs on the event loop; one transfer at a time.
// A transfer ends in exactly one of serverListReceived, gameTypesReceived or
// failed, unless it is cancelled.
class MasterExchange final : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        // The longest silence while connecting or receiving.
        int idleTimeoutMs = 30000;
        // The longest from connecting to a whole greeting.
        int greetingTimeoutMs = 15000;
        // How long a greeting whose challenge is whole is given to end with
        // "\final\" before it is answered as one that never does.
        int greetingSettleMs = 500;
        qint64 maxBytes = 4 * 1024 * 1024;
    };

    explicit MasterExchange(QObject *parent = nullptr);
    ~MasterExchange() override;

    void setLimits(const Limits &limits);

    static bool isWebEntry(const QString &entry);

    // The game type filter is left out when empty, the location when 0.
    void fetchServerList(const QString &entry, const QString &gameType, int location);
    void refreshGameTypes(const QString &entry);
    // Stops a running transfer; true when one was running. No signal follows.
    bool cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void connectedToMaster();
    void receivingData();
    void serverListReceived(const QList<MasterList::ListedServer> &servers);
    void gameTypesReceived(const QStringList &gameTypes);
    void failed(const QString &message);

private:
    enum class Phase { Idle, Connecting, Greeting, Receiving, WebList };
    enum class Greeting { Partial, Unended, Whole };

    void connectToMaster(const QString &entry);
    void fetchWebList(const QString &url);
    void masterConnected();
    void bytesArrived(qsizetype count);
    void masterClosed();
    Greeting greetingState() const;
    void answerGreeting();
    void greetingTimedOut();
    void transferDone();
    void transferFailed(CappedTransfer::Failure failure, const QString &errorText);
    QString failureMessage(CappedTransfer::Failure failure, const QString &errorText) const;
    QString closeMessage() const;
    void fail(const QString &message);
    void closeTransfer();

    Limits m_limits;
    CappedTransfer m_transfer;
    QNetworkAccessManager *m_web = nullptr;
    QTimer m_greetingTimeout;
    QTimer m_settle;
    Phase m_phase = Phase::Idle;
    bool m_running = false;
    bool m_gameTypeMode = false;
    QString m_entry;
    QByteArray m_request;
};
