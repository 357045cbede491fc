#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

namespace vireon::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests that need a real peer. Every request gets the
// response set last with respond(); each connection is closed after one answer.
class LoopbackHttpServer {
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    LoopbackHttpServer();
    // Listens on a free port of 127.0.0.1.
    bool listen();
    // Stops listening and drops open connections; url() keeps naming the now closed port, so
    // requests to it are refused.
    void close();
    QUrl url(const QString& path) const;

    void respond(int status, const QByteArray& body, const Headers& headers = {});
    // Accept connections and read requests, but never answer them.
    void setSilent(bool silent) { m_silent = silent; }
    int requestCount() const { return m_requestCount; }

private:
    quint16 m_port = 0;
    QByteArray m_response;
    bool m_silent = false;
    int m_requestCount = 0;
    QTcpServer m_server; // last, so its connections go before what they read
};

} // namespace vireon::test
