#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace vireon::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests that need a real peer. Every request gets the
// response set last with respond(); each connection is closed after one answer.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    // Listens on a free port of 127.0.0.1.
    bool listen();
    // Stops listening and drops open connections; url() keeps naming the now closed port, so
    // requests to it are refused.
    void close();
    QUrl url(const QString& path) const;

    void respond(int status, const QByteArray& body, const Headers& headers = {});
    // Accept connections and read requests, but never answer them.
    void setSilent(bool silent);

    int requestCount() const { return m_requestCount; }
    QByteArray lastMethod() const { return m_lastMethod; }
    QString lastPath() const { return m_lastPath; }
    Headers lastHeaders() const { return m_lastHeaders; }
    // Case-insensitive lookup in the last request's headers; empty when absent.
    QByteArray lastHeader(const QByteArray& name) const;
    QByteArray lastBody() const { return m_lastBody; }

private:
    void accept();
    void serve(QTcpSocket* socket);
    QByteArray response() const;

    QTcpServer m_server;
    quint16 m_port = 0;
    int m_status = 200;
    QByteArray m_body;
    Headers m_headers;
    bool m_silent = false;
    int m_requestCount = 0;
    QByteArray m_lastMethod;
    QString m_lastPath;
    Headers m_lastHeaders;
    QByteArray m_lastBody;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

} // namespace vireon::test
