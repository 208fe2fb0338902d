#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

namespace Stats {

// Fetches one page of the statistics service at a time over HTTP, the way a
// browser of its day asked: Accept "text/html, */*" and the user agent the
// service knows, redirects followed. Everything runs on the event loop; a
// page larger than the cap or a server that stays silent for the idle time
// ends in failed() with a message, as does abort(). Every failure, even of
// an address refused before anything is sent, arrives from the event loop
// after get() has returned.
class PageFetcher final : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        qint64 maxBytes = 4 * 1024 * 1024;
        // The longest the server may send nothing.
        int idleTimeoutMs = 30000;
    };

    explicit PageFetcher(QObject *parent = nullptr);
    ~PageFetcher() override;

    void setLimits(const Limits &limits) { m_limits = limits; }
    // An extra Accept-Charset header on every request; empty sends none.
    void setAcceptCharset(const QByteArray &charset) { m_acceptCharset = charset; }

    // "http://" + host + path; host is "name" or "name:port". Replaces a
    // fetch under way without a signal for it.
    void get(const QString &host, const QString &path);
    // Ends the fetch under way with failed("The transfer was cancelled.").
    void abort();
    // Ends the fetch under way without a signal.
    void drop();
    bool isBusy() const { return m_reply != nullptr || m_refusal.isActive(); }

    static QString pageUrl(const QString &host, const QString &path);

Q_SIGNALS:
    void started(const QString &url);
    // Bytes so far and the expected size (-1 when the server did not say).
    void progress(qint64 received, qint64 total);
    void statusChanged(const QString &text);
    // The body and the value of its Content-Type header.
    void finished(const QByteArray &body, const QByteArray &contentType);
    void failed(const QString &message);

private:
    void readAvailable();
    void replyFinished();
    void fail(const QString &message);
    void close();

    QNetworkAccessManager *m_network = nullptr;
    QNetworkReply *m_reply = nullptr;
    // Reports an address that could not be asked once the event loop comes round.
    QTimer m_refusal;
    QString m_refusalMessage;
    QByteArray m_body;
    QByteArray m_acceptCharset;
    Limits m_limits;
};

} // namespace Stats
