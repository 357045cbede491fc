#include "support/MlatTestServer.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>

namespace vireon::test {
namespace {

void sendLine(QTcpSocket* socket, const QJsonObject& object)
{
    socket->write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

} // namespace

MlatTestServer::MlatTestServer()
{
    QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            // Everything after the handshake (rate reports, sync messages) is read and dropped.
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (socket->property("handshaken").toBool()) {
                    socket->readAll();
                    return;
                }
                if (!socket->canReadLine())
                    return;
                socket->setProperty("handshaken", true);
                const QJsonDocument line = QJsonDocument::fromJson(socket->readLine().trimmed());
                m_handshakes.append(line.object());
                socket->readAll();
                answer(socket);
            });
        }
    });
    QObject::connect(&m_heartbeat, &QTimer::timeout, &m_server, [this] {
        const QJsonObject beat{
            {QStringLiteral("heartbeat"), QJsonObject{{QStringLiteral("server_time"),
                                                       double(QDateTime::currentMSecsSinceEpoch()) / 1000}}}};
        for (const QPointer<QTcpSocket>& socket : std::as_const(m_accepted)) {
            if (socket)
                sendLine(socket, beat);
        }
    });
    m_heartbeat.start(20000);
}

bool MlatTestServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

void MlatTestServer::setAnswer(Answer answer, const QStringList& reasons)
{
    m_answer = answer;
    m_reasons = reasons;
    for (const QPointer<QTcpSocket>& socket : std::exchange(m_held, {})) {
        if (socket)
            this->answer(socket);
    }
}

void MlatTestServer::sendStats(const QJsonObject& stats)
{
    for (const QPointer<QTcpSocket>& socket : std::as_const(m_accepted)) {
        if (socket)
            sendLine(socket, QJsonObject{{QStringLiteral("stats"), stats}});
    }
}

void MlatTestServer::answer(QTcpSocket* socket)
{
    switch (m_answer) {
    case Answer::hold:
        m_held.append(socket);
        return;
    case Answer::accept:
        sendLine(socket, QJsonObject{{QStringLiteral("compress"), QStringLiteral("none")}});
        m_accepted.append(socket);
        ++m_acceptedCount;
        return;
    case Answer::deny:
        sendLine(socket, QJsonObject{{QStringLiteral("deny"), QJsonArray::fromStringList(m_reasons)}});
        socket->disconnectFromHost();
        return;
    }
}

} // namespace vireon::test
