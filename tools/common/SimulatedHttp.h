#pragma once

#include <QByteArray>

#include <functional>

class QObject;
class QTcpSocket;

// What the simulated web services share: one request per connection, read
// up to the empty line that ends its headers, and HTTP/1.0 answers.
namespace SimulatedHttp {

inline constexpr qsizetype kMaxRequestSize = 16 * 1024;

// Gathers what the client sends until its headers end, then stops reading and
// hands take everything received so far. A client that sends more than
// kMaxRequestSize bytes without an end gets tooLong and the close instead, or
// with tooLong empty has its connection cut off. context ends the reading.
void readRequest(QTcpSocket *socket, QObject *context, const std::function<void(const QByteArray &)> &take,
                 const QByteArray &tooLong = {});

// Where the headers end: at the first "\r\n\r\n", else the first "\n\n"; -1 while neither has come.
qsizetype headersEnd(const QByteArray &request);

// "GET /path HTTP/1.x" -> "/path"; empty for anything else.
QByteArray getPath(const QByteArray &requestLine);

// An answer's status line and headers; without Content-Length when contentLength is below 0.
QByteArray head(const QByteArray &status, const QByteArray &contentType, qsizetype contentLength = -1);

// Writes the bytes and closes the connection once they are out.
void answerAndClose(QTcpSocket *socket, const QByteArray &bytes);

} // namespace SimulatedHttp
