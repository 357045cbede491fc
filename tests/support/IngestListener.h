#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace vireon::test {

// A network's ingest endpoint on 127.0.0.1 for tests: records every connection and what it sent.
// close() takes the endpoint down (listening socket and live connections); reopen() brings it back
// on the same port.
class IngestListener : public QObject {
    Q_OBJECT
public:
    explicit IngestListener(QObject* parent = nullptr);

    bool listen(quint16 port = 0);
    void close();
    bool reopen();

    quint16 port() const { return m_port; }
    int connectionCount() const { return int(m_streams.size()); }
    // Connections currently open.
    int openConnectionCount() const;
    // Everything each connection sent, in order of connection.
    const QList<QByteArray>& streams() const { return m_streams; }
    // Whether some connection began with "uuid=<uuid>\n", the way the decoder announces the station.
    bool hasReceivedUuid(const QString& uuid) const;

Q_SIGNALS:
    void received();

private:
    void accept();

    QTcpServer m_server;
    quint16 m_port = 0;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<QByteArray> m_streams;
};

} // namespace vireon::test
