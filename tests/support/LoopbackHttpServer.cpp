#include "support/LoopbackHttpServer.h"

#include <QTcpSocket>

namespace vireon::test {
namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

bool statusForbidsBody(int status)
{
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

} // namespace

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
}

// The sockets belong to m_server, which outlives m_pending; cut them loose before either goes.
LoopbackHttpServer::~LoopbackHttpServer()
{
    close();
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
    const QList<QTcpSocket*> sockets = m_pending.keys();
    m_pending.clear();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(m_port);
    url.setPath(path);
    return url;
}

void LoopbackHttpServer::respond(int status, const QByteArray& body, const Headers& headers)
{
    m_status = status;
    m_body = body;
    m_headers = headers;
}

void LoopbackHttpServer::setSilent(bool silent)
{
    m_silent = silent;
}

QByteArray LoopbackHttpServer::lastHeader(const QByteArray& name) const
{
    for (const auto& [key, value] : m_lastHeaders) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        m_pending.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::serve(QTcpSocket* socket)
{
    QByteArray& buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    Headers headers;
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        if (headers.last().first.compare("Content-Length", Qt::CaseInsensitive) == 0)
            contentLength = headers.last().second.toLongLong();
    }
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() - bodyStart < contentLength)
        return;

    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    ++m_requestCount;
    m_lastMethod = requestLine.value(0);
    m_lastPath = QString::fromUtf8(requestLine.value(1));
    m_lastHeaders = headers;
    m_lastBody = buffer.mid(bodyStart, contentLength);
    buffer.clear();

    if (m_silent)
        return;
    socket->write(response());
    socket->disconnectFromHost();
}

QByteArray LoopbackHttpServer::response() const
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reasonPhrase(m_status) + "\r\n";
    for (const auto& [name, value] : m_headers)
        out += name + ": " + value + "\r\n";
    out += "Connection: close\r\n";
    if (statusForbidsBody(m_status) || m_lastMethod == "HEAD") {
        out += "\r\n";
        return out;
    }
    out += "Content-Length: " + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body;
    return out;
}

} // namespace vireon::test
