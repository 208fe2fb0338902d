#include "SimulatedHttp.h"

#include <QTcpSocket>

#include <memory>
#include <utility>

namespace SimulatedHttp {

void readRequest(QTcpSocket *socket, QObject *context, const std::function<void(const QByteArray &)> &take,
                 const QByteArray &tooLong)
{
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, context, [socket, context, take, tooLong, buffer] {
        *buffer += socket->readAll();
        const bool whole = headersEnd(*buffer) >= 0;
        if (!whole && buffer->size() <= kMaxRequestSize)
            return;
        QObject::disconnect(socket, &QTcpSocket::readyRead, context, nullptr);
        if (whole)
            take(std::exchange(*buffer, {}));
        else if (tooLong.isEmpty())
            socket->abort();
        else
            answerAndClose(socket, tooLong);
    });
}

qsizetype headersEnd(const QByteArray &request)
{
    const qsizetype end = request.indexOf("\r\n\r\n");
    return end >= 0 ? end : request.indexOf("\n\n");
}

QByteArray getPath(const QByteArray &requestLine)
{
    const QByteArrayList words = requestLine.trimmed().split(' ');
    if (words.size() != 3 || words.at(0) != "GET" || !words.at(2).startsWith("HTTP/1.") || words.at(1).isEmpty())
        return {};
    return words.at(1);
}

QByteArray head(const QByteArray &status, const QByteArray &contentType, qsizetype contentLength)
{
    QByteArray text = "HTTP/1.0 " + status + "\r\nContent-Type: " + contentType + "\r\n";
    if (contentLength >= 0)
        text += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    return text + "\r\n";
}

void answerAndClose(QTcpSocket *socket, const QByteArray &bytes)
{
    socket->write(bytes);
    socket->disconnectFromHost();
}

} // namespace SimulatedHttp
