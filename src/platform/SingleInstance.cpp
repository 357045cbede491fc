#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>

namespace vireon {
namespace {

const QString socketName = QStringLiteral("vireon-feeder.socket");
// A running instance that accepts the connection but never answers is not worth more than this; the
// second launch exits all the same.
constexpr int handOverTimeoutMs = 2000;
// A client that connects and then neither asks nor reads its answer is dropped after this.
constexpr int peerTimeoutMs = 5000;
// Two launches at the same moment: the loser of the race to listen connects to the winner.
constexpr int maxAttempts = 3;
constexpr qint64 maxRequestBytes = 64;
// The largest answer is the report, with at most a few hundred decoder lines.
constexpr qint64 maxAnswerBytes = 4 * 1024 * 1024;

// Who is at the other end of a connected local socket, as the kernel knows it.
std::optional<uid_t> peerUser(qintptr descriptor)
{
    ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (descriptor < 0 || ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

QString strangerWarning(const QString& path, std::optional<uid_t> peer)
{
    return QStringLiteral("%1 is served by another user's process (uid %2), not by ours, so Vireon Feeder "
                          "neither hands over to it nor asks it. Make sure XDG_RUNTIME_DIR is private "
                          "to you, or remove that socket.")
        .arg(path, peer ? QString::number(*peer) : QStringLiteral("unknown"));
}

} // namespace

SingleInstance::SingleInstance(Place place, uid_t user, QObject* parent)
    : QObject(parent), m_place(std::move(place)), m_user(user)
{}

SingleInstance::~SingleInstance()
{
    // Closing removes the socket file, so the next start does not meet a stale one.
    if (m_server)
        m_server->close();
}

std::optional<QString> SingleInstance::ensurePrivateDirectory(const QString& path, uid_t user)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("%1 cannot be created: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    // lstat, not stat: a link there may point anywhere, also into another user's directory.
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0)
        return QStringLiteral("%1 cannot be read: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("%1 is a symbolic link, not a directory of ours").arg(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("%1 is not a directory").arg(path);
    if (info.st_uid != user)
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(info.st_uid);
    if ((info.st_mode & 077) != 0) {
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(path, QString::number(info.st_mode & 0777, 8));
    }
    return std::nullopt;
}

SingleInstance::Place SingleInstance::defaultPlace(uid_t user)
{
    // Every session of a user shares one runtime directory; a shell without the variable (cron, a
    // script) still finds the instance the desktop or the service manager started there.
    QStringList runtimeDirectories;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        runtimeDirectories.append(runtime);
    runtimeDirectories.append(QStringLiteral("/run/user/%1").arg(user));
    for (const QString& directory : runtimeDirectories) {
        // Never created here: a runtime directory that is missing is not the session's.
        if (QFileInfo(directory).isDir() && !ensurePrivateDirectory(directory, user))
            return {QDir(directory).filePath(socketName), {}};
    }

    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("vireon-feeder-%1").arg(user));
    if (const auto problem = ensurePrivateDirectory(own, user)) {
        return {{},
                *problem + QStringLiteral(": remove it, or set XDG_RUNTIME_DIR to a directory only you can "
                                          "enter")};
    }
    return {QDir(own).filePath(socketName), {}};
}

QByteArray SingleInstance::requestName(Request request)
{
    switch (request) {
    case Request::show:
        return QByteArrayLiteral("show");
    case Request::hello:
        return QByteArrayLiteral("hello");
    case Request::status:
        return QByteArrayLiteral("status");
    case Request::report:
        return QByteArrayLiteral("report");
    }
    return {};
}

std::optional<SingleInstance::Request> SingleInstance::parseRequest(const QByteArray& line)
{
    for (const Request request : {Request::show, Request::hello, Request::status, Request::report}) {
        if (line == requestName(request))
            return request;
    }
    return std::nullopt;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void SingleInstance::claim(Request request)
{
    ++m_attempts;
    m_request = request;
    if (m_place.socketPath.isEmpty()) {
        qWarning("vireon: the socket that keeps a second Vireon Feeder from feeding at the same time has "
                 "no safe place (%s). Running without that check.",
                 qPrintable(m_place.problem));
        Q_EMIT primary();
        return;
    }
    tryConnect(request);
}

void SingleInstance::tryConnect(Request request)
{
    m_client = new QLocalSocket(this);
    auto* client = m_client;
    auto* deadline = new QTimer(client);
    deadline->setSingleShot(true);
    auto answer = std::make_shared<QByteArray>();
    auto finished = std::make_shared<bool>(false);
    enum class End { handedOver, nobodyListens, stranger };
    auto finish = [this, client, finished, answer](End end) {
        if (*finished)
            return;
        *finished = true;
        client->deleteLater();
        m_client = nullptr;
        switch (end) {
        case End::handedOver:
            Q_EMIT handedOver(*answer);
            break;
        case End::nobodyListens:
            becomePrimary();
            break;
        case End::stranger:
            // Its socket is not ours to remove, and nothing of ours can listen there.
            Q_EMIT primary();
            break;
        }
    };
    connect(client, &QLocalSocket::connected, this, [this, client, deadline, finish, request] {
        const std::optional<uid_t> peer = peerUser(client->socketDescriptor());
        if (peer != m_user) {
            qWarning("vireon: %s", qPrintable(strangerWarning(m_place.socketPath, peer)));
            finish(End::stranger);
            client->abort();
            return;
        }
        client->write(requestName(request) + '\n');
        deadline->start(handOverTimeoutMs);
    });
    connect(client, &QLocalSocket::readyRead, this, [client, answer] {
        answer->append(client->read(maxAnswerBytes - answer->size()));
        if (answer->size() >= maxAnswerBytes)
            client->abort();
    });
    // The answer is whole when the running instance closes the connection.
    connect(client, &QLocalSocket::disconnected, this, [finish] { finish(End::handedOver); });
    connect(deadline, &QTimer::timeout, this, [finish] { finish(End::handedOver); });
    connect(client, &QLocalSocket::errorOccurred, this,
            [client, finish](QLocalSocket::LocalSocketError error) {
                if (error == QLocalSocket::PeerClosedError)
                    return; // the disconnected() that follows ends the hand-over
                // Nobody listens (no file, or one left by a crash), or the file is not ours to use.
                if (client->state() != QLocalSocket::ConnectedState)
                    finish(End::nobodyListens);
            });
    client->connectToServer(m_place.socketPath);
}

void SingleInstance::becomePrimary()
{
    // Whatever is at the path answered nobody: a crashed instance's leftover.
    QLocalServer::removeServer(m_place.socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server->listen(m_place.socketPath)) {
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
        Q_EMIT primary();
        return;
    }
    const auto error = m_server->serverError();
    qWarning("vireon: cannot listen on %s: %s", qPrintable(m_place.socketPath),
             qPrintable(m_server->errorString()));
    delete m_server;
    m_server = nullptr;
    if (error == QAbstractSocket::AddressInUseError && m_attempts < maxAttempts) {
        ++m_attempts;
        tryConnect(m_request);
        return;
    }
    // Running without the guard is better than not running at all.
    Q_EMIT primary();
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* peer = m_server->nextPendingConnection())
        serve(peer);
}

void SingleInstance::serve(QLocalSocket* peer)
{
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    const std::optional<uid_t> who = peerUser(peer->socketDescriptor());
    if (who != m_user) {
        qWarning("vireon: refused a request on %s from another user (uid %s)", qPrintable(m_place.socketPath),
                 who ? qPrintable(QString::number(*who)) : "unknown");
        peer->abort();
        peer->deleteLater();
        return;
    }
    auto* deadline = new QTimer(peer);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, peer, &QLocalSocket::abort);
    deadline->start(peerTimeoutMs);

    auto received = std::make_shared<QByteArray>();
    auto answered = std::make_shared<bool>(false);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer, received, answered] {
        if (*answered)
            return; // whatever comes after the request is ignored
        received->append(peer->read(maxRequestBytes - received->size()));
        const qsizetype end = received->indexOf('\n');
        if (end < 0) {
            if (received->size() >= maxRequestBytes)
                peer->abort();
            return;
        }
        *answered = true;
        const std::optional<Request> request = parseRequest(received->left(end));
        if (!request) {
            peer->abort();
            return;
        }
        peer->write(m_responder ? m_responder(*request) : QByteArray());
        // Closes once the answer is written, which tells the client it is whole.
        peer->disconnectFromServer();
    });
}

SingleInstance::Answer SingleInstance::ask(const Place& place, Request request,
                                           std::chrono::milliseconds timeout, uid_t user)
{
    using Outcome = Answer::Outcome;
    if (place.socketPath.isEmpty())
        return {Outcome::unsafePlace, {}, place.problem};
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(place.socketPath);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) {
        if (socket.error() == QLocalSocket::SocketTimeoutError)
            return {Outcome::noAnswer, {}, {}};
        return {Outcome::nobodyRuns, {}, {}};
    }
    const std::optional<uid_t> peer = peerUser(socket.socketDescriptor());
    if (peer != user)
        return {Outcome::stranger, {}, strangerWarning(place.socketPath, peer)};

    socket.write(requestName(request) + '\n');
    socket.flush();
    QByteArray text;
    while (socket.state() == QLocalSocket::ConnectedState || socket.bytesAvailable() > 0) {
        if (socket.bytesAvailable() > 0) {
            text.append(socket.read(maxAnswerBytes - text.size()));
            if (text.size() >= maxAnswerBytes)
                return {Outcome::noAnswer, {}, {}};
            continue;
        }
        if (deadline.hasExpired())
            return {Outcome::noAnswer, {}, {}};
        socket.waitForReadyRead(int(deadline.remainingTime()));
    }
    return {Outcome::answered, text, {}};
}

} // namespace vireon
