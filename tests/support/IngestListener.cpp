#include "support/IngestListener.h"

#include <sys/socket.h>

namespace vireon::test {

IngestListener::IngestListener(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &IngestListener::accept);
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
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_sockets)) {
        if (socket)
            socket->close();
    }
}

bool IngestListener::reopen()
{
    return listen(m_port);
}

int IngestListener::openConnectionCount() const
{
    int open = 0;
    for (const QPointer<QTcpSocket>& socket : m_sockets) {
        if (socket && socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

bool IngestListener::hasReceivedUuid(const QString& uuid) const
{
    const QByteArray announcement = QByteArray("\x1a\xe4", 2) + uuid.toUtf8().leftJustified(36, 'f', true);
    for (const QByteArray& stream : m_streams) {
        if (stream.startsWith(announcement))
            return true;
    }
    return false;
}

void IngestListener::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        if (m_resetOnAccept) {
            // A zero linger time makes close() send RST instead of the orderly FIN.
            const linger abortive{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            m_streams.append(QByteArray());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const qsizetype index = m_streams.size();
        m_streams.append(QByteArray());
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
            m_streams[index] += socket->readAll();
            Q_EMIT received();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

} // namespace vireon::test
