#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QTcpSocket;

// One network read with limits: a TCP connection it opens itself, or an HTTP
// GET. What arrives gathers in a buffer that the reader looks at as it grows
// and calls finish() on once its content is whole. A started transfer ends in
// exactly one done() or failed(), always from the event loop after the call
// that started or ended it has returned; cancel() ends it without either.
// Deleting it mid-transfer is safe and says nothing.
class CappedTransfer final : public QObject
{
    Q_OBJECT
public:
    // A limit of 0 is no limit.
    struct Limits
    {
        // The most the buffer may hold.
        qint64 maxBytes = 0;
        // The longest silence while connecting or receiving.
        int idleTimeoutMs = 0;
        // The longest the whole transfer may take.
        int totalTimeoutMs = 0;
    };

    enum class Failure {
        TooLarge,
        Idle,
        TotalTime,
        // The peer closed the TCP connection and the reader did not finish.
        PeerClosed,
        // The socket or reply failed; the error text says how.
        NetworkError,
        // No host, a port outside 1 to 65535, or a URL that is not valid.
        BadAddress,
    };
    Q_ENUM(Failure)

    explicit CappedTransfer(QObject *parent = nullptr);
    ~CappedTransfer() override;

    // For the transfers started from now on.
    void setLimits(const Limits &limits) { m_limits = limits; }
    const Limits &limits() const { return m_limits; }

    // Each replaces a transfer under way without a signal for it.
    void connectToHost(const QString &host, int port);
    void get(QNetworkAccessManager &network, const QNetworkRequest &request);

    // Sends to the TCP peer; -1 while there is none.
    qint64 write(const QByteArray &data);
    const QByteArray &buffer() const { return m_buffer; }
    // Also makes room under the cap for what comes next.
    void clearBuffer() { m_buffer.clear(); }
    // The running transfer's idle limit from now on, its silence counted
    // afresh; 0 turns it off.
    void setIdleTimeout(int milliseconds);
    // The HTTP reply, for its headers; valid until the handler of the end
    // signal returns, null for TCP.
    QNetworkReply *reply() const;

    void finish();
    void fail(Failure failure);
    void cancel();

    // From the start to the end signal.
    bool isRunning() const { return m_state != State::Idle; }
    // The end is decided and its signal is on its way; nothing more is read.
    bool isEnding() const { return m_state == State::Ending; }

Q_SIGNALS:
    void connected();
    // The headers of the HTTP reply have come.
    void headersReceived();
    // HTTP bytes so far and the expected size (-1 when the server did not say).
    void progress(qint64 received, qint64 total);
    // The last count bytes of the buffer are new.
    void bytesArrived(qsizetype count);
    // The TCP peer closed the connection, perhaps after a last few bytes
    // that come with this signal alone. The transfer fails with PeerClosed
    // unless the handler finishes it.
    void peerClosed();
    void done();
    // The error text is the socket's or reply's own account of the end,
    // for readers without words of their own; empty when there was none.
    void failed(CappedTransfer::Failure failure, const QString &errorText);

private:
    enum class State { Idle, Running, Ending };

    void begin();
    void readAvailable();
    void socketClosed();
    void socketError();
    void replyFinished();
    // Moves what the socket or reply holds into the buffer; false when that
    // broke the cap and so ended the transfer.
    bool take();
    void touch();
    void end(std::optional<Failure> failure);
    void deliver(quint64 run, std::optional<Failure> failure, const QString &errorText);
    QIODevice *device() const;
    void silence();
    void release();

    Limits m_limits;
    int m_idleTimeoutMs = 0;
    QTimer m_idle;
    QTimer m_total;
    QTcpSocket *m_socket = nullptr;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_buffer;
    State m_state = State::Idle;
    // Counts starts and cancels, so an end signal on its way can tell it is stale.
    quint64 m_run = 0;
};
