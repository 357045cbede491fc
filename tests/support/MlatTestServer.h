#pragma once

#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>

class QTcpSocket;

namespace vireon::test {

// An MLAT server on 127.0.0.1 for tests: reads each connection's handshake line and answers as it
// is told, in the protocol mlat-client speaks (one JSON object a line, uncompressed). While a link
// is accepted it sends a heartbeat every 20 seconds, as real servers do, or the client gives the
// link up after a minute of silence.
class MlatTestServer {
public:
    enum class Answer { hold, accept, deny };

    MlatTestServer();
    bool listen();
    quint16 port() const { return m_server.serverPort(); }

    // How handshakes are answered from now on; a handshake held so far is answered at once.
    void setAnswer(Answer answer, const QStringList& reasons = {});
    // Sends the server's figures to every accepted link, as a server does every few minutes.
    void sendStats(const QJsonObject& stats);

    QList<QJsonObject> handshakes() const { return m_handshakes; }
    int acceptedCount() const { return m_acceptedCount; }

private:
    void answer(QTcpSocket* socket);

    Answer m_answer = Answer::accept;
    QStringList m_reasons;
    QList<QJsonObject> m_handshakes;
    QList<QPointer<QTcpSocket>> m_held;
    QList<QPointer<QTcpSocket>> m_accepted;
    int m_acceptedCount = 0;
    QTimer m_heartbeat;
    QTcpServer m_server; // last, so its connections go before what refers to them
};

} // namespace vireon::test
