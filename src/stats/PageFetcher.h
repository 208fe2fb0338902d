#pragma once

#include "core/CappedTransfer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

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
    bool isBusy() const { return m_transfer.isRunning(); }

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
    void showStatus();
    void transferDone();
    QString failureMessage(CappedTransfer::Failure failure, const QString &errorText) const;
    void fail(const QString &message);

    QNetworkAccessManager *m_network = nullptr;
    CappedTransfer m_transfer;
    QString m_address;
    QByteArray m_acceptCharset;
    Limits m_limits;
};

} // namespace Stats
