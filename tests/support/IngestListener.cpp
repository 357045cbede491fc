#include "support/IngestListener.h"

#include <QTcpSocket>
#include <sys/socket.h>

namespace vireon::test {

IngestListener::IngestListener()
{
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            m_streams.append(QByteArray());
            if (m_resetOnAccept) {
                // A zero linger time makes the close send RST instead of the orderly FIN.
                const linger abortive{1, 0};
                ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                             sizeof abortive);
                socket->abort();
                socket->deleteLater();
                continue;
            }
            QObject::connect(
                socket, &QTcpSocket::readyRead, socket,
                [this, socket, index = m_streams.size() - 1] { m_streams[index] += socket->readAll(); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool IngestListener::listen(quint16 port)
{
    if (!m_server.listen(QHostAddress::LocalHost, port))
        return false;
    m_port = m_server.serverPort();
    return true;
}

void IngestListener::close()
{
    m_server.close();
    for (QTcpSocket* socket : m_server.findChildren<QTcpSocket*>())
        socket->close();
}

bool IngestListener::hasReceivedUuid(const QString& uuid) const
{
    const QByteArray announcement = QByteArray("\x1a\xe4", 2) + uuid.toUtf8().leftJustified(36, 'f', true);
    return std::any_of(m_streams.begin(), m_streams.end(),
                       [&](const QByteArray& stream) { return stream.startsWith(announcement); });
}

} // namespace vireon::test
