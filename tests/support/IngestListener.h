#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace vireon::test {

// A network's ingest endpoint on 127.0.0.1 for tests: records what each connection sent. close()
// takes the endpoint down (listening socket and live connections); reopen() brings it back on the
// same port.
class IngestListener {
public:
    IngestListener();
    bool listen(quint16 port = 0);
    void close();
    bool reopen() { return listen(m_port); }
    // From now on, every new connection is reset (RST) as soon as it is accepted, as by a network
    // that takes the connection and drops it at once.
    void setResetOnAccept(bool reset) { m_resetOnAccept = reset; }

    quint16 port() const { return m_port; }
    int connectionCount() const { return int(m_streams.size()); }
    // Whether some connection began with the decoder's key frame: 0x1a 0xe4 and the key padded with
    // "f" or cut to 36 characters.
    bool hasReceivedUuid(const QString& uuid) const;

private:
    quint16 m_port = 0;
    QList<QByteArray> m_streams;
    bool m_resetOnAccept = false;
    QTcpServer m_server; // last, so its connections go before what they write to
};

} // namespace vireon::test
