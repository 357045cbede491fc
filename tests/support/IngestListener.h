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
    // From now on, every new connection is reset (RST) as soon as it is accepted, as a network does
    // that takes the connection and drops it at once.
    void setResetOnAccept(bool reset) { m_resetOnAccept = reset; }

    quint16 port() const { return m_port; }
    int connectionCount() const { return int(m_streams.size()); }
    // Connections currently open.
    int openConnectionCount() const;
    // Everything each connection sent, in order of connection.
    const QList<QByteArray>& streams() const { return m_streams; }
    // Whether some connection began with the decoder's key frame: 0x1a 0xe4 and the key padded with
    // "f" or cut to 36 characters.
    bool hasReceivedUuid(const QString& uuid) const;

Q_SIGNALS:
    void received();

private:
    void accept();

    QTcpServer m_server;
    quint16 m_port = 0;
    QList<QPointer<QTcpSocket>> m_sockets;
    QList<QByteArray> m_streams;
    bool m_resetOnAccept = false;
};

} // namespace vireon::test
