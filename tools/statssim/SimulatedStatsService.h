#pragma once

#include "SimulatedTcpService.h"
#include "StatsCatalogue.h"
#include "StatsPages.h"

#include <QByteArray>
#include <QList>

#include <utility>

// One request as the service received it.
struct StatsRequest final
{
    QByteArray requestLine;                           // "GET /fcgi-bin/... HTTP/1.0"
    QList<std::pair<QByteArray, QByteArray>> headers; // names and values, blanks trimmed

    QByteArray path() const;                      // the request line's second word
    QByteArray header(QByteArrayView name) const; // the first with that name in any case, else empty
};

// What a page request is answered with, before any misbehaviour.
struct StatsAnswer final
{
    int status = 200; // 200 or 404
    QByteArray body;
    bool search = false; // a Search request
};

// The ngWorldStats service over HTTP on 127.0.0.1, for UT: Display pages with
// an entry's ranks in a game mode or its own page (gm=all), and searches by
// uid, name or address. A search with one match sends the browser on to the
// entry's own page; with none or several it lists the matches. Each request
// is answered with HTML in the character set set (Windows-1252 unless told),
// then the connection closes. Paths and query names are taken in any case.
class SimulatedStatsService final : public SimulatedTcpService
{
    Q_OBJECT

public:
    enum class Misbehaviour {
        None,
        NotFound,    // 404 for everything
        RefreshLoop, // each search sends the browser on to the same search
        Huge,        // pages lengthened to about 10 MB
        EndlessLine, // a body that is one line that never ends
        Stall,       // the headers, then nothing
        Garbage,     // random bytes for a body
    };

    static constexpr qsizetype kHugeSize = 10 * 1024 * 1024;
    static constexpr qsizetype kGarbageSize = 16 * 1024;

    explicit SimulatedStatsService(const StatsCatalogue &catalogue = StatsCatalogue::defaults(),
                                   QObject *parent = nullptr);

    QString url() const; // http://127.0.0.1:<port>

    const StatsCatalogue &catalogue() const { return m_catalogue; }
    void setCatalogue(const StatsCatalogue &catalogue) { m_catalogue = catalogue; }
    Misbehaviour misbehaviour() const { return m_misbehaviour; }
    void setMisbehaviour(Misbehaviour misbehaviour) { m_misbehaviour = misbehaviour; }
    // How pages are encoded and what the headers declare.
    void setCharset(StatsPages::Charset charset) { m_charset = charset; }
    // A well-behaved answer (status line, headers and body as one stream) goes
    // out in pieces cut at these byte offsets, one piece a few milliseconds
    // after the other, so that the client reads each on its own. Offsets
    // outside the answer are ignored; none sends it whole.
    void setCuts(const QList<qsizetype> &offsets) { m_cuts = offsets; }
    // Cuts after every n bytes as well; 0 for none.
    void setCutEvery(qsizetype n) { m_cutEvery = n; }

    const QList<StatsRequest> &requests() const { return m_requests; } // every complete request
    void clearRecords() { m_requests.clear(); }

    // The well-behaved answer to a request path ("/fcgi-bin/Display?...").
    StatsAnswer answer(const QByteArray &path) const;

Q_SIGNALS:
    void requestReceived(const StatsRequest &request);

private:
    void serve(QTcpSocket *socket) override;
    void take(QTcpSocket *socket, const QByteArray &bytes);
    void respond(QTcpSocket *socket, const QByteArray &path);
    StatsAnswer display(const QList<std::pair<QByteArray, QByteArray>> &query) const;
    StatsAnswer search(const QList<std::pair<QByteArray, QByteArray>> &query) const;
    const QByteArray &filler();
    void send(QTcpSocket *socket, int status, const QByteArrayList &pieces);

    StatsCatalogue m_catalogue;
    Misbehaviour m_misbehaviour = Misbehaviour::None;
    StatsPages::Charset m_charset = StatsPages::Charset::Windows1252;
    QList<qsizetype> m_cuts;
    qsizetype m_cutEvery = 0;
    QList<StatsRequest> m_requests;
    QByteArray m_filler; // the lines that make pages huge, built on first use
};
