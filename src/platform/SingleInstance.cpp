#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>
#include <unistd.h>

namespace vireon {
namespace {

const QByteArray showRequest = QByteArrayLiteral("show\n");
// A running instance that accepts the connection but never lets the request through is not worth
// more than this; the second launch exits all the same.
constexpr int handOverTimeoutMs = 2000;
// Two launches at the same moment: the loser of the race to listen connects to the winner.
constexpr int maxAttempts = 3;
constexpr qint64 maxRequestBytes = 64;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath))
{}

SingleInstance::~SingleInstance()
{
    // Closing removes the socket file, so the next start does not meet a stale one.
    if (m_server)
        m_server->close();
}

QString SingleInstance::defaultSocketPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(QStringLiteral("vireon-feeder.socket"));
    return QDir(QDir::tempPath()).filePath(QStringLiteral("vireon-feeder-%1.socket").arg(::getuid()));
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::claim()
{
    ++m_attempts;
    tryConnect();
}

void SingleInstance::tryConnect()
{
    m_client = new QLocalSocket(this);
    auto* client = m_client;
    auto* deadline = new QTimer(client);
    deadline->setSingleShot(true);
    auto finished = std::make_shared<bool>(false);
    auto finish = [this, client, finished](bool handed) {
        if (*finished)
            return;
        *finished = true;
        client->deleteLater();
        m_client = nullptr;
        if (handed)
            Q_EMIT handedOver();
        else
            becomePrimary();
    };
    connect(client, &QLocalSocket::connected, this, [client, deadline] {
        client->write(showRequest);
        client->disconnectFromServer();
        deadline->start(handOverTimeoutMs);
    });
    connect(client, &QLocalSocket::disconnected, this, [finish] { finish(true); });
    connect(deadline, &QTimer::timeout, this, [finish] { finish(true); });
    connect(client, &QLocalSocket::errorOccurred, this,
            [client, finish](QLocalSocket::LocalSocketError error) {
                if (error == QLocalSocket::PeerClosedError)
                    return; // the disconnected() that follows ends the hand-over
                // Nobody listens (no file, or one left by a crash), or the file is not ours to use.
                if (client->state() != QLocalSocket::ConnectedState)
                    finish(false);
            });
    client->connectToServer(m_path);
}

void SingleInstance::becomePrimary()
{
    // Whatever is at the path answered nobody: a crashed instance's leftover.
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_path)) {
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
        Q_EMIT primary();
        return;
    }
    const auto error = m_server->serverError();
    qWarning("vireon: cannot listen on %s: %s", qPrintable(m_path), qPrintable(m_server->errorString()));
    delete m_server;
    m_server = nullptr;
    if (error == QAbstractSocket::AddressInUseError && m_attempts < maxAttempts) {
        claim();
        return;
    }
    // Running without the guard is better than not running at all.
    Q_EMIT primary();
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        auto received = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this, [this, peer, received] {
            received->append(peer->read(maxRequestBytes - received->size()));
            if (received->contains(showRequest)) {
                received->clear();
                Q_EMIT showRequested();
            }
            if (received->size() >= maxRequestBytes)
                peer->abort();
        });
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    }
}

} // namespace vireon
