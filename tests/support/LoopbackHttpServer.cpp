#include "support/LoopbackHttpServer.h"

#include <QTcpSocket>

namespace vireon::test {

LoopbackHttpServer::LoopbackHttpServer()
{
    respond(200, {});
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            // Requests here are GETs: the head's blank line ends them.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (!socket->peek(socket->bytesAvailable()).contains("\r\n\r\n"))
                    return;
                socket->readAll();
                ++m_requestCount;
                if (!m_silent) {
                    socket->write(m_response);
                    socket->disconnectFromHost();
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LoopbackHttpServer::listen()
{
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        return false;
    m_port = m_server.serverPort();
    return true;
}

void LoopbackHttpServer::close()
{
    m_server.close();
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
        socket->abort();
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
}

void LoopbackHttpServer::respond(int status, const QByteArray& body, const Headers& headers)
{
    m_response = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\nConnection: close\r\n";
    for (const auto& [name, value] : headers)
        m_response += name + ": " + value + "\r\n";
    // Statuses that forbid a body get none, or the client would read it as the next response.
    const bool bodyless = (status >= 100 && status < 200) || status == 204 || status == 304;
    m_response +=
        bodyless ? "\r\n" : "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace vireon::test
